#include "liveview/decode/jpeg_error_manager.h"

namespace {

// Indexed by code - kFirstAddonMessage; the first and last entries mark the range.
const char* const kAddonMessages[] = {
    nullptr,  // 1000
    "Unsupported BMP colormap format",
    "Only 8- and 24-bit BMP files are supported",
    "Invalid BMP file: bad header length",
    "Invalid BMP file: biPlanes not equal to 1",
    "BMP output must be grayscale or RGB",  // 1005
    "Sorry, compressed BMPs not yet supported",
    "Not a BMP file - does not start with BM",
    "%ux%u 24-bit BMP image",
    "%ux%u 8-bit colormapped BMP image",
    "%ux%u 24-bit OS2 BMP image",  // 1010
    "%ux%u 8-bit colormapped OS2 BMP image",
    "GIF output got confused",
    "Bogus GIF codesize %d",
    "GIF output must be grayscale or RGB",
    "Too few images in GIF file",  // 1015
    "Not a GIF file",
    "%ux%ux%d GIF image",
    "Warning: unexpected GIF version number '%c%c%c'",
    "Ignoring GIF extension block of type 0x%02x",
    "Caution: nonsquare pixels in input",  // 1020
    "Corrupt data in GIF file",
    "Bogus char 0x%02x in GIF file, ignoring",
    "Premature end of GIF image",
    "Ran out of GIF bits",
    "PPM output must be grayscale or RGB",  // 1025
    "Nonnumeric data in PPM file",
    "Not a PPM/PGM file",
    "%ux%u PGM image",
    "%ux%u text PGM image",
    "%ux%u PPM image",  // 1030
    "%ux%u text PPM image",
    "Unsupported Targa colormap format",
    "Invalid or unsupported Targa file",
    "Targa output must be grayscale or RGB",
    "%ux%u RGB Targa image",  // 1035
    "%ux%u grayscale Targa image",
    "%ux%u colormapped Targa image",
    "Color map file is invalid or of unsupported format",
    "Output file format cannot handle %d colormap entries",  // 1039
    "ungetc failed",  // 1040
    "Unrecognized input file type",
    "Unsupported output file format",
    nullptr,  // 1043
};
static_assert(sizeof(kAddonMessages) / sizeof(kAddonMessages[0]) ==
                  kLastAddonMessage - kFirstAddonMessage + 1,
              "one entry per add-on code");

void DiscardMessage(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* InitJpegErrorManager(JpegErrorManager* manager) {
  jpeg_error_mgr* err = jpeg_std_error(&manager->pub);
  err->error_exit = JpegErrorExit;
  err->output_message = DiscardMessage;
  err->addon_message_table = kAddonMessages;
  err->first_addon_message = kFirstAddonMessage;
  err->last_addon_message = kLastAddonMessage;
  return err;
}

void JpegErrorExit(j_common_ptr cinfo) {
  static_assert(JMSG_LENGTH_MAX == 200, "format_message writes up to JMSG_LENGTH_MAX bytes");
  char message[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, message);
  std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->exit, 1);
}
