#include <gtest/gtest.h>

#include <vector>

#include "framework/connection_point.h"
#include "framework/event_args.h"
#include "testing/container/event_recorder.h"
#include "testing/support/counted_unknown.h"

namespace {

// {5C0A1F52-8E33-4E11-9C31-0F7C2C4B6A10}
const IID kEvents = {0x5c0a1f52, 0x8e33, 0x4e11, {0x9c, 0x31, 0x0f, 0x7c, 0x2c, 0x4b, 0x6a, 0x10}};

// A container that only counts references, as a control would for its embedded point.
class FakeContainer : public IConnectionPointContainer {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID, IConnectionPoint**) override {
    return E_NOTIMPL;
  }
  ULONG refs = 1;
};

class ConnectionPointTest : public ::testing::Test {
 protected:
  FakeContainer container;
  int changes = 0;
  fw::ConnectionPoint point{&container, kEvents, [this] { ++changes; }};
};

TEST_F(ConnectionPointTest, EventsReachEverySinkWithTheirArguments) {
  auto first = test_container::EventRecorder::Create(kEvents);
  auto second = test_container::EventRecorder::Create(IID_IDispatch);  // answers IDispatch only
  DWORD c1 = 0, c2 = 0;
  ASSERT_EQ(point.Advise(first.Get(), &c1), S_OK);
  ASSERT_EQ(point.Advise(second.Get(), &c2), S_OK);
  EXPECT_NE(c1, c2);
  EXPECT_EQ(changes, 2);

  short key = 65;
  fw::EventArgs args(std::string("10.0.0.2:80"), 5L, &key);
  DISPPARAMS params = args.Params();
  point.Fire(4, &params);

  for (auto* sink : {first.Get(), second.Get()}) {
    ASSERT_EQ(sink->Events().size(), 1u);
    const auto& e = sink->Events()[0];
    EXPECT_EQ(e.id, 4);
    ASSERT_EQ(e.args.size(), 3u);
    EXPECT_EQ(e.TextArg(0), L"10.0.0.2:80");
    EXPECT_EQ(e.types[1], VT_I4);
    EXPECT_EQ(e.LongArg(1), 5);
    EXPECT_EQ(e.types[2], VT_BYREF | VT_I2);
    EXPECT_EQ(e.LongArg(2), 65);
  }
}

TEST_F(ConnectionPointTest, SinksMayWriteByReferenceArgumentsAndUnadviseWhileCalled) {
  auto changer = test_container::EventRecorder::Create(kEvents);
  auto later = test_container::EventRecorder::Create(kEvents);
  DWORD c1 = 0, c2 = 0;
  point.Advise(changer.Get(), &c1);
  point.Advise(later.Get(), &c2);
  changer->SetHook([&](DISPID, DISPPARAMS* p) {
    *p->rgvarg[0].piVal = 0;  // the host cancels the key
    point.Unadvise(c1);       // and leaves while being called
  });

  short key = 'x';
  fw::EventArgs args(&key);
  DISPPARAMS params = args.Params();
  point.Fire(207, &params);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(later->Events().size(), 1u);  // the list in force when the event started
  EXPECT_EQ(point.SinkCount(), 1u);

  point.Fire(207, &params);
  EXPECT_EQ(changer->Events().size(), 1u);
  EXPECT_EQ(later->Events().size(), 2u);
}

TEST_F(ConnectionPointTest, RefusesUnknownCookiesAndSinksOfAnotherInterface) {
  DWORD cookie = 0;
  EXPECT_EQ(point.Unadvise(12345), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point.Advise(nullptr, &cookie), E_POINTER);

  auto sink = test_container::EventRecorder::Create(kEvents);
  ASSERT_EQ(point.Advise(sink.Get(), &cookie), S_OK);
  base::ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point.EnumConnections(connections.Receive()), S_OK);
  CONNECTDATA data[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(2, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(data[0].dwCookie, cookie);
  data[0].pUnk->Release();

  point.DisconnectAll();
  EXPECT_EQ(point.SinkCount(), 0u);
  EXPECT_EQ(point.Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(container.refs, 1u);
}

// A sink that is no IDispatch at all.
using PlainSink = testing_support::CountedUnknown;

// {0D6F2E4B-93C1-4A7E-B58D-2C1E0F9A7B36}
const IID kOtherEvents = {
    0x0d6f2e4b, 0x93c1, 0x4a7e, {0xb5, 0x8d, 0x2c, 0x1e, 0x0f, 0x9a, 0x7b, 0x36}};

TEST(ConnectionPointPolicy, TheClassDecidesWhetherPlainDispatchSinksAreTaken) {
  enum class Sink { kEventInterface, kOtherDispatch, kPlainDispatch, kNoDispatch };
  struct Case {
    fw::SinkPolicy policy;
    Sink sink;
    HRESULT hr;
  };
  const Case cases[] = {
      {fw::SinkPolicy::kEventInterfaceOrDispatch, Sink::kEventInterface, S_OK},
      {fw::SinkPolicy::kEventInterfaceOrDispatch, Sink::kPlainDispatch, S_OK},
      {fw::SinkPolicy::kEventInterfaceOrDispatch, Sink::kOtherDispatch, S_OK},
      {fw::SinkPolicy::kEventInterfaceOrDispatch, Sink::kNoDispatch, CONNECT_E_CANNOTCONNECT},
      {fw::SinkPolicy::kEventInterfaceOnly, Sink::kEventInterface, S_OK},
      {fw::SinkPolicy::kEventInterfaceOnly, Sink::kPlainDispatch, CONNECT_E_CANNOTCONNECT},
      {fw::SinkPolicy::kEventInterfaceOnly, Sink::kOtherDispatch, CONNECT_E_CANNOTCONNECT},
      {fw::SinkPolicy::kEventInterfaceOnly, Sink::kNoDispatch, CONNECT_E_CANNOTCONNECT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "policy " << static_cast<int>(c.policy) << ", sink "
                                    << static_cast<int>(c.sink));
    FakeContainer container;
    int changes = 0;
    fw::ConnectionPoint point(&container, kEvents, [&] { ++changes; }, c.policy);
    EXPECT_EQ(point.Policy(), c.policy);
    PlainSink plain;
    base::ComPtr<test_container::EventRecorder> recorder;
    IUnknown* sink = &plain;
    if (c.sink != Sink::kNoDispatch) {
      recorder = test_container::EventRecorder::Create(c.sink == Sink::kEventInterface ? kEvents
                                                       : c.sink == Sink::kOtherDispatch
                                                           ? kOtherEvents
                                                           : IID_IDispatch);
      sink = static_cast<IDispatch*>(recorder.Get());
    }
    DWORD cookie = 99;
    EXPECT_EQ(point.Advise(sink, &cookie), c.hr);
    if (FAILED(c.hr)) {
      EXPECT_EQ(cookie, 0u);
      EXPECT_EQ(point.SinkCount(), 0u);
      EXPECT_EQ(changes, 0);
      EXPECT_EQ(plain.refs, 1u) << "a refused sink is held";
      continue;
    }
    fw::EventArgs args(3L);
    DISPPARAMS params = args.Params();
    point.Fire(2, &params);
    EXPECT_EQ(recorder->Events().size(), 1u);
    EXPECT_EQ(point.Unadvise(cookie), S_OK);
  }
}

}  // namespace
