// TMediaType and its record routines: deep copies that count the object reference, equality,
// the stored "data" form and the faults it refuses.
#include <dshow.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "framework/error.h"
#include "mediagraph/media_graph_util.h"

namespace {

using namespace mediagraph;

// An object whose references are counted where the test can see them.
class CountedUnknown : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!IsEqualIID(iid, IID_IUnknown)) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;
};

void SetFormat(TMediaType& type, const std::string& block) {
  type.ResetFormatBuffer();
  AM_MEDIA_TYPE* r = type.Record();
  r->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(block.size()));
  memcpy(r->pbFormat, block.data(), block.size());
  r->cbFormat = static_cast<ULONG>(block.size());
}

TEST(MediaType, ConstructionSetsFixedSizeSamplesOfSizeOne) {
  TMediaType type(MEDIATYPE_Video);
  const AM_MEDIA_TYPE* r = type.Record();
  EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, r->majortype));
  EXPECT_TRUE(IsEqualGUID(GUID_NULL, r->subtype));
  EXPECT_EQ(-1, r->bFixedSizeSamples);
  EXPECT_EQ(0, r->bTemporalCompression);
  EXPECT_EQ(1u, r->lSampleSize);
  EXPECT_EQ(0u, type.FormatLength());
  EXPECT_EQ(nullptr, r->pbFormat);
  EXPECT_EQ(nullptr, r->pUnk);
}

TEST(MediaType, CopiesAreDeepAndCountTheObjectReference) {
  CountedUnknown unknown;
  {
    TMediaType source(MEDIATYPE_Video);
    source.SetSubtype(MEDIASUBTYPE_RGB24);
    SetFormat(source, std::string(88, '\x5A'));
    source.Record()->pUnk = &unknown;
    unknown.AddRef();
    {
      TMediaType copy(source);
      EXPECT_EQ(3u, unknown.refs);
      EXPECT_NE(source.Record()->pbFormat, copy.Record()->pbFormat);
      EXPECT_TRUE(copy.IsEqual(source));
      TMediaType assigned(MEDIATYPE_Audio);
      assigned.Assign(source);
      EXPECT_EQ(4u, unknown.refs);
      EXPECT_TRUE(assigned.IsEqual(source));
      // Self-assignment keeps the record and its reference as they are.
      assigned.Assign(assigned);
      EXPECT_EQ(4u, unknown.refs);
      EXPECT_EQ(88u, assigned.FormatLength());
      EXPECT_EQ('\x5A', static_cast<char>(assigned.Record()->pbFormat[87]));
    }
    EXPECT_EQ(2u, unknown.refs);
  }
  EXPECT_EQ(1u, unknown.refs);
}

TEST(MediaType, RecordRoutinesRefuseFaultsAndFreeEverything) {
  AM_MEDIA_TYPE record = {};
  EXPECT_THROW(CopyMediaTypeRecord(&record, &record), fw::Error);
  AM_MEDIA_TYPE noBlock = {};
  noBlock.cbFormat = 16;
  EXPECT_THROW(CopyMediaTypeRecord(&record, &noBlock), fw::Error);

  CountedUnknown unknown;
  record.pUnk = &unknown;
  unknown.AddRef();
  record.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(4));
  record.cbFormat = 4;
  FreeMediaTypeRecord(&record);
  EXPECT_EQ(1u, unknown.refs);
  EXPECT_EQ(nullptr, record.pUnk);
  EXPECT_EQ(nullptr, record.pbFormat);
  EXPECT_EQ(0u, record.cbFormat);
}

TEST(MediaType, EqualityComparesTheTypesAndTheFormatBlock) {
  TMediaType a(MEDIATYPE_Video), b(MEDIATYPE_Video);
  EXPECT_TRUE(a.IsEqual(b));
  // Only the three types and the block count, not the sample fields.
  b.Record()->lSampleSize = 7;
  EXPECT_TRUE(a.IsEqual(b));
  b.SetSubtype(MEDIASUBTYPE_RGB32);
  EXPECT_FALSE(a.IsEqual(b));
  a.SetSubtype(MEDIASUBTYPE_RGB32);
  a.SetFormatType(FORMAT_VideoInfo);
  EXPECT_FALSE(a.IsEqual(b));
  b.SetFormatType(FORMAT_VideoInfo);
  SetFormat(a, "abcd");
  EXPECT_FALSE(a.IsEqual(b));
  SetFormat(b, "abce");
  EXPECT_FALSE(a.IsEqual(b));
  SetFormat(b, "abcd");
  EXPECT_TRUE(a.IsEqual(b));
  EXPECT_FALSE(a.ShouldStoreData(&b));
  EXPECT_TRUE(a.ShouldStoreData(nullptr));
  b.ResetFormatBuffer();
  EXPECT_TRUE(a.ShouldStoreData(&b));
}

TEST(MediaType, StoredDataRoundTripsAndRefusesTruncatedBlocks) {
  TMediaType source(MEDIATYPE_Video);
  source.SetSubtype(MEDIASUBTYPE_RGB24);
  source.SetFormatType(FORMAT_VideoInfo);
  SetFormat(source, std::string("\x01\x02\x03\x04\x05\x06", 6));
  CountedUnknown unknown;
  source.Record()->pUnk = &unknown;
  unknown.AddRef();
  const std::string data = source.WriteData();
  ASSERT_EQ(72u + 6u, data.size());

  TMediaType read(MEDIATYPE_Audio);
  ASSERT_TRUE(read.ReadData(data));
  EXPECT_TRUE(read.IsEqual(source));
  EXPECT_EQ(nullptr, read.Record()->pUnk);  // the stream's pointer means nothing
  EXPECT_NE(source.Record()->pbFormat, read.Record()->pbFormat);
  EXPECT_EQ(2u, unknown.refs);

  // The record browser's form: video, RGB32, no format.
  TMediaType bare(MEDIATYPE_Video);
  bare.SetSubtype(MEDIASUBTYPE_RGB32);
  ASSERT_TRUE(read.ReadData(bare.WriteData()));
  EXPECT_EQ(0u, read.FormatLength());
  EXPECT_EQ(nullptr, read.Record()->pbFormat);
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB32, read.Record()->subtype));

  for (size_t length : {size_t{0}, size_t{71}, size_t{72}, size_t{77}}) {
    SCOPED_TRACE(length);
    TMediaType target(MEDIATYPE_Video);
    EXPECT_FALSE(target.ReadData(data.substr(0, length)));
    EXPECT_EQ(0u, target.FormatLength());
    EXPECT_EQ(nullptr, target.Record()->pbFormat);
  }
}

}  // namespace
