// trust-root FILE.pem
// Puts the certificate in FILE.pem (PEM or DER) into the ROOT system store, so that the
// system's certificate checks trust what it signed. For test prefixes under Wine.
// Exit code: 0 added, 1 otherwise.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> derOf(const std::string& text) {
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                            &size, nullptr, nullptr)) {
    return std::vector<BYTE>(text.begin(), text.end());  // already DER
  }
  std::vector<BYTE> der(size);
  CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER, der.data(), &size,
                       nullptr, nullptr);
  der.resize(size);
  return der;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: trust-root FILE.pem\n");
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<BYTE> der = derOf(text);
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                   CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG, L"ROOT");
  if (store == nullptr) store = CertOpenSystemStoreW(0, L"ROOT");
  if (store == nullptr) {
    std::fprintf(stderr, "cannot open the ROOT store (%lu)\n", GetLastError());
    return 1;
  }
  BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  DWORD error = GetLastError();
  CertCloseStore(store, 0);
  if (!added) std::fprintf(stderr, "the certificate was not added (%lu)\n", error);
  return added ? 0 : 1;
}
