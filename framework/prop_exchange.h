// Property exchange: a control names its persistent properties once, in DoPropExchange,
// and the same code loads and saves them through a stream (IPersistStreamInit) or a
// property bag (IPersistPropertyBag, the form HTML <param> tags use).
//
// Stream layout, in exchange order: ULONG and long as 4 bytes little-endian, bool as one
// byte, text as a ULONG byte count and that many bytes of ANSI text.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <objidl.h>
#include <ocidl.h>

#include <string>

namespace fw {

class PropExchange {
 public:
  virtual ~PropExchange() = default;
  bool IsLoading() const { return loading_; }
  // The first failure; loading falls back to the defaults for what could not be read.
  HRESULT Result() const { return result_; }

  // Loading: `value` becomes the stored value, or `defaultValue` when there is none.
  // Saving: `value` is written.
  virtual void ULong(const char* name, ULONG& value, ULONG defaultValue) = 0;
  virtual void Long(const char* name, long& value, long defaultValue) = 0;
  virtual void Bool(const char* name, bool& value, bool defaultValue) = 0;
  virtual void Text(const char* name, std::string& value, const std::string& defaultValue) = 0;

 protected:
  explicit PropExchange(bool loading) : loading_(loading) {}
  void Fail(HRESULT hr) {
    if (SUCCEEDED(result_)) result_ = hr;
  }

 private:
  bool loading_;
  HRESULT result_ = S_OK;
};

class StreamPropExchange final : public PropExchange {
 public:
  StreamPropExchange(IStream* stream, bool loading) : PropExchange(loading), stream_(stream) {}
  void ULong(const char* name, ULONG& value, ULONG defaultValue) override;
  void Long(const char* name, long& value, long defaultValue) override;
  void Bool(const char* name, bool& value, bool defaultValue) override;
  void Text(const char* name, std::string& value, const std::string& defaultValue) override;

 private:
  bool Read(void* data, ULONG size);
  void Write(const void* data, ULONG size);
  IStream* stream_;
};

class BagPropExchange final : public PropExchange {
 public:
  BagPropExchange(IPropertyBag* bag, IErrorLog* log, bool loading)
      : PropExchange(loading), bag_(bag), log_(log) {}
  void ULong(const char* name, ULONG& value, ULONG defaultValue) override;
  void Long(const char* name, long& value, long defaultValue) override;
  void Bool(const char* name, bool& value, bool defaultValue) override;
  void Text(const char* name, std::string& value, const std::string& defaultValue) override;

 private:
  // Reads `name` converted to `type`; false when missing or not convertible.
  bool Read(const char* name, VARTYPE type, VARIANT* out);
  void Write(const char* name, VARIANT* value);
  IPropertyBag* bag_;
  IErrorLog* log_;
};

// Counts the bytes a stream exchange would write (IPersistStreamInit::GetSizeMax).
class SizePropExchange final : public PropExchange {
 public:
  SizePropExchange() : PropExchange(false) {}
  ULONG Size() const { return size_; }
  void ULong(const char*, ULONG&, ULONG) override { size_ += 4; }
  void Long(const char*, long&, long) override { size_ += 4; }
  void Bool(const char*, bool&, bool) override { size_ += 1; }
  void Text(const char*, std::string& value, const std::string&) override {
    size_ += 4 + static_cast<ULONG>(value.size());
  }

 private:
  ULONG size_ = 0;
};

}  // namespace fw
