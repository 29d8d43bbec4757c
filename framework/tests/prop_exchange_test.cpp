#include <gtest/gtest.h>

#include "base/com_ptr.h"
#include "framework/prop_exchange.h"
#include "testing/container/property_bag.h"

namespace {

// A control's worth of properties.
struct Props {
  ULONG version = 0x00010000;
  long width = 320;
  bool autoConnect = true;
  std::string title = "lobby";

  void Exchange(fw::PropExchange& px) {
    px.ULong("_Version", version, 0x00010000);
    px.Long("Width", width, 320);
    px.Bool("AutoConnect", autoConnect, true);
    px.Text("Title", title, "none");
  }
};

base::ComPtr<IStream> NewStream() {
  base::ComPtr<IStream> s;
  CreateStreamOnHGlobal(nullptr, TRUE, s.Receive());
  return s;
}

void Rewind(IStream* s) {
  LARGE_INTEGER zero{};
  s->Seek(zero, STREAM_SEEK_SET, nullptr);
}

TEST(PropExchange, StreamRoundTripsInItsFixedLayout) {
  base::ComPtr<IStream> stream = NewStream();
  Props saved;
  saved.width = -640;
  saved.autoConnect = false;
  saved.title = "gate";
  fw::StreamPropExchange out(stream.Get(), false);
  saved.Exchange(out);
  ASSERT_EQ(out.Result(), S_OK);

  fw::SizePropExchange size;
  saved.Exchange(size);
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  EXPECT_EQ(stat.cbSize.QuadPart, size.Size());
  EXPECT_EQ(size.Size(), 4u + 4u + 1u + 4u + 4u);

  // The version stamp leads, little-endian.
  Rewind(stream.Get());
  unsigned char head[4];
  ULONG got = 0;
  stream->Read(head, 4, &got);
  EXPECT_EQ(head[2], 1);
  EXPECT_EQ(head[0] | head[1] | head[3], 0);

  Rewind(stream.Get());
  Props loaded;
  loaded.width = 0;
  loaded.title.clear();
  fw::StreamPropExchange in(stream.Get(), true);
  loaded.Exchange(in);
  EXPECT_EQ(in.Result(), S_OK);
  EXPECT_EQ(loaded.width, -640);
  EXPECT_FALSE(loaded.autoConnect);
  EXPECT_EQ(loaded.title, "gate");
}

TEST(PropExchange, ShortOrDamagedStreamsFailAndFallBackToDefaults) {
  // Only the version: the rest takes the defaults and the load reports the short read.
  base::ComPtr<IStream> stream = NewStream();
  const unsigned char version[4] = {0, 0, 2, 0};
  stream->Write(version, 4, nullptr);
  Rewind(stream.Get());
  Props p;
  p.width = 1;
  fw::StreamPropExchange in(stream.Get(), true);
  p.Exchange(in);
  EXPECT_TRUE(FAILED(in.Result()));
  EXPECT_EQ(p.version, 0x00020000u);
  EXPECT_EQ(p.width, 320);
  EXPECT_EQ(p.title, "none");

  // A text length no control writes is not allocated.
  base::ComPtr<IStream> damaged = NewStream();
  const unsigned char bytes[] = {0, 0, 1, 0, 0, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0x7F};
  damaged->Write(bytes, sizeof bytes, nullptr);
  Rewind(damaged.Get());
  fw::StreamPropExchange bad(damaged.Get(), true);
  Props q;
  q.Exchange(bad);
  EXPECT_TRUE(FAILED(bad.Result()));
  EXPECT_EQ(q.title, "none");
}

TEST(PropExchange, PropertyBagsWriteByNameAndReadTextsAsHtmlGivesThem) {
  auto bag = test_container::MemoryPropertyBag::Create();
  Props saved;
  fw::BagPropExchange out(bag.Get(), nullptr, false);
  saved.Exchange(out);
  ASSERT_EQ(out.Result(), S_OK);
  EXPECT_EQ(bag->Values()[L"_Version"].Ref().lVal, 65536);
  EXPECT_STREQ(bag->Values()[L"Title"].Ref().bstrVal, L"lobby");

  auto page = test_container::MemoryPropertyBag::Create();
  page->SetText(L"_Version", L"131072");
  page->SetText(L"Width", L"800");
  page->SetText(L"AutoConnect", L"0");
  // "Title" missing: its default.
  Props loaded;
  fw::BagPropExchange in(page.Get(), nullptr, true);
  loaded.Exchange(in);
  EXPECT_EQ(in.Result(), S_OK);
  EXPECT_EQ(loaded.version, 0x00020000u);
  EXPECT_EQ(loaded.width, 800);
  EXPECT_FALSE(loaded.autoConnect);
  EXPECT_EQ(loaded.title, "none");
}

}  // namespace
