#include "common/md5.h"

#include <windows.h>
#include <wincrypt.h>

namespace common {
namespace {

class CryptProvider {
 public:
  CryptProvider() {
    // A verify context needs no key container, so it works for any user.
    if (!CryptAcquireContextA(&handle_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
      handle_ = 0;
  }
  ~CryptProvider() {
    if (handle_ != 0) CryptReleaseContext(handle_, 0);
  }
  CryptProvider(const CryptProvider&) = delete;
  CryptProvider& operator=(const CryptProvider&) = delete;
  HCRYPTPROV get() const { return handle_; }

 private:
  HCRYPTPROV handle_ = 0;
};

class CryptHash {
 public:
  CryptHash(HCRYPTPROV provider, ALG_ID algorithm) {
    if (!CryptCreateHash(provider, algorithm, 0, 0, &handle_)) handle_ = 0;
  }
  ~CryptHash() {
    if (handle_ != 0) CryptDestroyHash(handle_);
  }
  CryptHash(const CryptHash&) = delete;
  CryptHash& operator=(const CryptHash&) = delete;
  HCRYPTHASH get() const { return handle_; }

 private:
  HCRYPTHASH handle_ = 0;
};

}  // namespace

std::optional<Md5Digest> ComputeMd5(std::string_view bytes) {
  CryptProvider provider;
  if (provider.get() == 0) return std::nullopt;
  CryptHash hash(provider.get(), CALG_MD5);
  if (hash.get() == 0) return std::nullopt;
  if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()), 0))
    return std::nullopt;
  Md5Digest digest{};
  DWORD size = static_cast<DWORD>(digest.size());
  if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest.data(), &size, 0) || size != digest.size())
    return std::nullopt;
  return digest;
}

}  // namespace common
