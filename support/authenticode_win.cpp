// A file's Authenticode status: its embedded signature, else its entry in the catalogs.

// The Windows 8 layout of WINTRUST_CATALOG_INFO carries the catalog context that SHA-256 catalog
// entries need. WinVerifyTrust tells the layouts apart by cbStruct, so older systems still take it.
#ifndef NTDDI_VERSION
#define NTDDI_VERSION 0x06020000
#endif

#include "support/authenticode_win.h"

#include <windows.h>
// Lean Windows headers leave CryptoAPI out; the trust headers build on it, in this order.
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>

#include <optional>
#include <vector>

#include "base/handles_win.h"
#include "base/unicode_win.h"
#include "support/file_reader_win.h"

namespace sysinfo {
namespace {

struct Verdict {
  LONG result = 0;
  std::string signer;
};

// The display name of the certificate that signed, read from a verification's open state.
std::string SignerName(HANDLE state) {
  if (!state) return {};
  CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(state);
  if (!provider) return {};
  CRYPT_PROVIDER_SGNR* signer = WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  if (!signer) return {};
  CRYPT_PROVIDER_CERT* certificate = WTHelperGetProvCertFromChain(signer, 0);
  if (!certificate || !certificate->pCert) return {};
  const DWORD size = CertGetNameStringW(certificate->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0,
                                        nullptr, nullptr, 0);
  if (size <= 1) return {};
  std::wstring name(size, L'\0');
  CertGetNameStringW(certificate->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(),
                     size);
  name.resize(size - 1);  // the count includes the terminating NUL
  return WideToUtf8(name);
}

// Runs the Authenticode policy on the subject `data` names, reads the signer while the state is
// open, and always closes the state again.
Verdict VerifyTrust(WINTRUST_DATA& data) {
  GUID policy = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  // An inventory must not reach out to the network for revocation lists or certificates.
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  const HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
  Verdict verdict{WinVerifyTrust(noWindow, &policy, &data), {}};
  verdict.signer = SignerName(data.hWVTStateData);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(noWindow, &policy, &data);
  return verdict;
}

// Kept here rather than in base/handles_win.h: its release needs the trust headers above.
inline constexpr auto kReleaseCatalogAdmin = [](HCATADMIN admin) {
  CryptCATAdminReleaseContext(admin, 0);
};
using UniqueCatalogAdmin = UniqueResource<HCATADMIN, kReleaseCatalogAdmin>;

// Catalogs list their members by SHA-1 (every Windows) or by SHA-256 (Windows 8 and later, whose
// newer catalogs may have only those). The SHA-256 entry points are looked up at run time so the
// program still starts where they do not exist.
using AcquireContext2 = BOOL(WINAPI*)(HCATADMIN*, const GUID*, const WCHAR*,
                                      const CERT_STRONG_SIGN_PARA*, DWORD);
using CalcHashFromFileHandle2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

template <typename Function>
Function WintrustFunction(const char* name) {
  HMODULE wintrust = GetModuleHandleW(L"wintrust.dll");
  return wintrust
             ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(wintrust, name)))
             : nullptr;
}

struct CatalogHash {
  UniqueCatalogAdmin admin;
  std::vector<BYTE> hash;
};

// The catalog context and the file's hash as catalogs of that hash kind list it.
std::optional<CatalogHash> HashForCatalogs(HANDLE file, bool sha256) {
  GUID subsystem = DRIVER_ACTION_VERIFY;
  HCATADMIN admin = nullptr;
  DWORD size = 0;
  if (sha256) {
    const auto acquire = WintrustFunction<AcquireContext2>("CryptCATAdminAcquireContext2");
    const auto calculate =
        WintrustFunction<CalcHashFromFileHandle2>("CryptCATAdminCalcHashFromFileHandle2");
    if (!acquire || !calculate || !acquire(&admin, &subsystem, L"SHA256", nullptr, 0))
      return std::nullopt;
    CatalogHash result{UniqueCatalogAdmin(admin), {}};
    calculate(admin, file, &size, nullptr, 0);
    if (size == 0) return std::nullopt;
    result.hash.resize(size);
    if (!calculate(admin, file, &size, result.hash.data(), 0)) return std::nullopt;
    return result;
  }
  if (!CryptCATAdminAcquireContext(&admin, &subsystem, 0)) return std::nullopt;
  CatalogHash result{UniqueCatalogAdmin(admin), {}};
  CryptCATAdminCalcHashFromFileHandle(file, &size, nullptr, 0);
  if (size == 0) return std::nullopt;
  result.hash.resize(size);
  if (!CryptCATAdminCalcHashFromFileHandle(file, &size, result.hash.data(), 0)) return std::nullopt;
  return result;
}

// The catalog that lists the hash, by its file path; empty text when none does.
std::wstring CatalogListing(HCATADMIN admin, std::vector<BYTE>& hash) {
  HCATINFO catalog = CryptCATAdminEnumCatalogFromHash(admin, hash.data(),
                                                      static_cast<DWORD>(hash.size()), 0, nullptr);
  if (!catalog) return {};
  CATALOG_INFO info{};
  info.cbStruct = sizeof info;
  const bool found = CryptCATCatalogInfoFromContext(catalog, &info, 0) != FALSE;
  CryptCATAdminReleaseCatalogContext(admin, catalog, 0);
  return found ? std::wstring(info.wszCatalogFile) : std::wstring();
}

// A catalog's member tag is the hash in upper-case hexadecimal.
std::wstring MemberTag(const std::vector<BYTE>& hash) {
  constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring tag;
  for (BYTE b : hash) {
    tag += kDigits[b >> 4];
    tag += kDigits[b & 0x0F];
  }
  return tag;
}

// The verdict on the catalog that lists the file; nothing when no catalog does.
std::optional<Verdict> VerifyByCatalog(HANDLE file, const std::wstring& path) {
  for (bool sha256 : {true, false}) {
    std::optional<CatalogHash> hashed = HashForCatalogs(file, sha256);
    if (!hashed) continue;
    const std::wstring catalogPath = CatalogListing(hashed->admin.get(), hashed->hash);
    if (catalogPath.empty()) continue;
    const std::wstring tag = MemberTag(hashed->hash);
    WINTRUST_CATALOG_INFO member{};
    member.cbStruct = sizeof member;
    member.pcwszCatalogFilePath = catalogPath.c_str();
    member.pcwszMemberTag = tag.c_str();
    member.pcwszMemberFilePath = path.c_str();
    member.hMemberFile = file;
    member.pbCalculatedFileHash = hashed->hash.data();
    member.cbCalculatedFileHash = static_cast<DWORD>(hashed->hash.size());
    member.hCatAdmin = hashed->admin.get();
    WINTRUST_DATA data{};
    data.dwUnionChoice = WTD_CHOICE_CATALOG;
    data.pCatalog = &member;
    return VerifyTrust(data);
  }
  return std::nullopt;
}

FileSignature Describe(const Verdict& verdict, bool fromCatalog) {
  FileSignature signature;
  signature.status = ClassifyTrustResult(static_cast<std::uint32_t>(verdict.result));
  signature.signer = verdict.signer;
  signature.fromCatalog = fromCatalog;
  if (signature.status != SignatureStatus::Signed &&
      signature.status != SignatureStatus::Unsigned) {
    signature.reason = SystemErrorText(static_cast<DWORD>(verdict.result));
  }
  return signature;
}

}  // namespace

FileSignature GetFileSignature(const std::string& path) {
  const std::wstring widePath = ExtendedWidePath(path);
  const UniqueHandle file = OpenRegularFile(path);
  if (!file) {
    FileSignature unreadable;
    unreadable.status = SignatureStatus::Untrusted;
    unreadable.reason = SystemErrorText(GetLastError());
    return unreadable;
  }
  WINTRUST_FILE_INFO subject{};
  subject.cbStruct = sizeof subject;
  subject.pcwszFilePath = widePath.c_str();
  subject.hFile = file.get();
  WINTRUST_DATA data{};
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &subject;
  const Verdict embedded = VerifyTrust(data);
  if (MeansNoEmbeddedSignature(static_cast<std::uint32_t>(embedded.result))) {
    if (auto catalog = VerifyByCatalog(file.get(), widePath)) return Describe(*catalog, true);
  }
  return Describe(embedded, false);
}

}  // namespace sysinfo
