#include "liveview/decode/jpeg_stream_source.h"

#include <jerror.h>

#include "liveview/decode/memory_stream.h"

namespace {

struct StreamSource {
  jpeg_source_mgr pub;  // first member: the library sees only this part
  MemoryStream* stream;
  JOCTET* buffer;
  bool startOfFile;  // nothing read yet: running dry now means there was no input at all
};

StreamSource* SourceOf(j_decompress_ptr cinfo) {
  return reinterpret_cast<StreamSource*>(cinfo->src);
}

void InitSource(j_decompress_ptr cinfo) { SourceOf(cinfo)->startOfFile = true; }

boolean FillStreamInput(j_decompress_ptr cinfo) {
  StreamSource* src = SourceOf(cinfo);
  int n = src->stream->Read(src->buffer, kStreamSourceBufferSize);
  if (n <= 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // A cut-off frame: let the library finish the picture (it fills what is missing) and
    // count a warning so the frame is reported as damaged.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = static_cast<size_t>(n);
  src->startOfFile = false;
  return TRUE;
}

void SkipStreamInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  StreamSource* src = SourceOf(cinfo);
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillStreamInput(cinfo);  // never suspends
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

}  // namespace

void InitStreamSource(j_decompress_ptr cinfo, MemoryStream* stream) {
  if (!cinfo->src) {
    auto* src = static_cast<StreamSource*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT,
                                   sizeof(StreamSource)));
    src->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT,
                                   kStreamSourceBufferSize * sizeof(JOCTET)));
    cinfo->src = &src->pub;
  }
  StreamSource* src = SourceOf(cinfo);
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillStreamInput;
  src->pub.skip_input_data = SkipStreamInput;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.next_input_byte = nullptr;
  src->pub.bytes_in_buffer = 0;
  src->stream = stream;
  src->startOfFile = true;
}
