// The version stamp and the stock properties through a stream and a property bag.
#include <gtest/gtest.h>
#include <windows.h>

#include <ocidl.h>

#include <vector>

#include "base/com_ptr.h"
#include "fwsample_h.h"
#include "sample_fixture.h"
#include "testing/container/property_bag.h"

namespace {

using base::ComPtr;

base::ComPtr<IUnknown> NewSample() {
  base::ComPtr<IUnknown> control;
  CoCreateInstance(CLSID_Sample, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                   control.ReceiveVoid());
  return control;
}

base::ComPtr<IStream> StreamOf(const std::vector<unsigned char>& bytes) {
  base::ComPtr<IStream> s;
  CreateStreamOnHGlobal(nullptr, TRUE, s.Receive());
  if (!bytes.empty()) s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  LARGE_INTEGER zero{};
  s->Seek(zero, STREAM_SEEK_SET, nullptr);
  return s;
}

std::vector<unsigned char> Contents(IStream* s) {
  STATSTG stat{};
  s->Stat(&stat, STATFLAG_NONAME);
  std::vector<unsigned char> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
  LARGE_INTEGER zero{};
  s->Seek(zero, STREAM_SEEK_SET, nullptr);
  ULONG got = 0;
  s->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got);
  return bytes;
}

SIZEL ExtentOf(IUnknown* control) {
  SIZEL size{};
  base::ComPtr<IOleObject> object;
  control->QueryInterface(IID_IOleObject, object.ReceiveVoid());
  object->GetExtent(DVASPECT_CONTENT, &size);
  return size;
}

class Persistence : public sample::RegisteredSample {};

TEST_F(Persistence, StreamStartsWithTheVersionStampAndCarriesTheExtent) {
  base::ComPtr<IUnknown> control = NewSample();
  auto persist = control.As<IPersistStreamInit>();
  ASSERT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  CLSID clsid{};
  persist->GetClassID(&clsid);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Sample));

  base::ComPtr<IStream> saved = StreamOf({});
  ASSERT_EQ(persist->Save(saved.Get(), TRUE), S_OK);
  const auto bytes = Contents(saved.Get());
  ULARGE_INTEGER max{};
  persist->GetSizeMax(&max);
  ASSERT_EQ(bytes.size(), max.QuadPart);
  ASSERT_EQ(bytes.size(), 16u);  // _Version, _ExtentX, _ExtentY, _StockProps
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4),
            (std::vector<unsigned char>{0x00, 0x00, 0x01, 0x00}));

  // Another control loads what a host kept, here with another size.
  std::vector<unsigned char> kept = bytes;
  kept[4] = 0x88, kept[5] = 0x13, kept[6] = 0, kept[7] = 0;    // 5000
  kept[8] = 0xC4, kept[9] = 0x09, kept[10] = 0, kept[11] = 0;  // 2500
  base::ComPtr<IUnknown> other = NewSample();
  ASSERT_EQ(other.As<IPersistStreamInit>()->Load(StreamOf(kept).Get()), S_OK);
  EXPECT_EQ(ExtentOf(other.Get()).cx, 5000);
  EXPECT_EQ(ExtentOf(other.Get()).cy, 2500);

  // A stream cut short is refused.
  base::ComPtr<IUnknown> third = NewSample();
  std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + 6);
  EXPECT_TRUE(FAILED(third.As<IPersistStreamInit>()->Load(StreamOf(cut).Get())));
}

TEST_F(Persistence, PropertyBagUsesTheStockNames) {
  base::ComPtr<IUnknown> control = NewSample();
  auto persist = control.As<IPersistPropertyBag>();
  ASSERT_EQ(persist->InitNew(), S_OK);
  auto bag = test_container::MemoryPropertyBag::Create();
  ASSERT_EQ(persist->Save(bag.Get(), TRUE, TRUE), S_OK);
  auto& values = bag->Values();
  EXPECT_EQ(values[L"_Version"].Ref().lVal, 65536);
  EXPECT_EQ(values[L"_StockProps"].Ref().lVal, 0);
  EXPECT_GT(values[L"_ExtentX"].Ref().lVal, 0);
  EXPECT_GT(values[L"_ExtentY"].Ref().lVal, 0);

  // As an HTML page gives them: texts.
  auto page = test_container::MemoryPropertyBag::Create();
  page->SetText(L"_Version", L"65536");
  page->SetText(L"_ExtentX", L"4233");
  page->SetText(L"_ExtentY", L"1323");
  base::ComPtr<IUnknown> loaded = NewSample();
  ASSERT_EQ(loaded.As<IPersistPropertyBag>()->Load(page.Get(), nullptr), S_OK);
  EXPECT_EQ(ExtentOf(loaded.Get()).cx, 4233);
  EXPECT_EQ(ExtentOf(loaded.Get()).cy, 1323);
}

}  // namespace
