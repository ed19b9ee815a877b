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
#include "base/system_library_win.h"
#include "base/unicode_win.h"
#include "support/file_reader_win.h"

namespace sysinfo {
namespace {

// Catalogs list their members by SHA-1 (every Windows) or by SHA-256 (Windows 8 and later, whose
// newer catalogs may have only those); the SHA-256 entry points are null where they do not exist.
using AcquireContext2 = BOOL(WINAPI*)(HCATADMIN*, const GUID*, const WCHAR*,
                                      const CERT_STRONG_SIGN_PARA*, DWORD);
using CalcHashFromFileHandle2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);

// What the checks take from System32's wintrust.dll and crypt32.dll. The checks need every
// function but the SHA-256 pair; without them no file can be checked.
struct TrustApi {
  SystemLibrary wintrust{L"wintrust.dll"};
  SystemLibrary crypt32{L"crypt32.dll"};
  decltype(&WinVerifyTrust) verify = wintrust.Find("WinVerifyTrust");
  decltype(&WTHelperProvDataFromStateData) providerData =
      wintrust.Find("WTHelperProvDataFromStateData");
  decltype(&WTHelperGetProvSignerFromChain) signerOf =
      wintrust.Find("WTHelperGetProvSignerFromChain");
  decltype(&WTHelperGetProvCertFromChain) certificateOf =
      wintrust.Find("WTHelperGetProvCertFromChain");
  decltype(&CryptCATAdminAcquireContext) acquire = wintrust.Find("CryptCATAdminAcquireContext");
  AcquireContext2 acquire2 = wintrust.Find("CryptCATAdminAcquireContext2");
  decltype(&CryptCATAdminReleaseContext) release = wintrust.Find("CryptCATAdminReleaseContext");
  decltype(&CryptCATAdminCalcHashFromFileHandle) calculate =
      wintrust.Find("CryptCATAdminCalcHashFromFileHandle");
  CalcHashFromFileHandle2 calculate2 = wintrust.Find("CryptCATAdminCalcHashFromFileHandle2");
  decltype(&CryptCATAdminEnumCatalogFromHash) catalogOf =
      wintrust.Find("CryptCATAdminEnumCatalogFromHash");
  decltype(&CryptCATCatalogInfoFromContext) catalogInfo =
      wintrust.Find("CryptCATCatalogInfoFromContext");
  decltype(&CryptCATAdminReleaseCatalogContext) releaseCatalog =
      wintrust.Find("CryptCATAdminReleaseCatalogContext");
  decltype(&CertGetNameStringW) certificateName = crypt32.Find("CertGetNameStringW");

  bool Complete() const {
    return verify && providerData && signerOf && certificateOf && acquire && release && calculate &&
           catalogOf && catalogInfo && releaseCatalog && certificateName;
  }
};

const TrustApi& Trust() {
  static const TrustApi api;
  return api;
}

struct Verdict {
  LONG result = 0;
  std::string signer;
};

// The display name of the certificate that signed, read from a verification's open state.
std::string SignerName(HANDLE state) {
  if (!state) return {};
  const TrustApi& trust = Trust();
  CRYPT_PROVIDER_DATA* provider = trust.providerData(state);
  if (!provider) return {};
  CRYPT_PROVIDER_SGNR* signer = trust.signerOf(provider, 0, FALSE, 0);
  if (!signer) return {};
  CRYPT_PROVIDER_CERT* certificate = trust.certificateOf(signer, 0);
  if (!certificate || !certificate->pCert) return {};
  const DWORD size = trust.certificateName(certificate->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0,
                                           nullptr, nullptr, 0);
  if (size <= 1) return {};
  std::wstring name(size, L'\0');
  trust.certificateName(certificate->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(),
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
  Verdict verdict{Trust().verify(noWindow, &policy, &data), {}};
  verdict.signer = SignerName(data.hWVTStateData);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  Trust().verify(noWindow, &policy, &data);
  return verdict;
}

// Kept here rather than in base/handles_win.h: its release needs the trust headers above.
inline constexpr auto kReleaseCatalogAdmin = [](HCATADMIN admin) { Trust().release(admin, 0); };
using UniqueCatalogAdmin = UniqueResource<HCATADMIN, kReleaseCatalogAdmin>;

struct CatalogHash {
  UniqueCatalogAdmin admin;
  std::vector<BYTE> hash;
};

// The catalog context and the file's hash as catalogs of that hash kind list it.
std::optional<CatalogHash> HashForCatalogs(HANDLE file, bool sha256) {
  const TrustApi& trust = Trust();
  GUID subsystem = DRIVER_ACTION_VERIFY;
  HCATADMIN admin = nullptr;
  DWORD size = 0;
  if (sha256) {
    if (!trust.acquire2 || !trust.calculate2 ||
        !trust.acquire2(&admin, &subsystem, L"SHA256", nullptr, 0))
      return std::nullopt;
    CatalogHash result{UniqueCatalogAdmin(admin), {}};
    trust.calculate2(admin, file, &size, nullptr, 0);
    if (size == 0) return std::nullopt;
    result.hash.resize(size);
    if (!trust.calculate2(admin, file, &size, result.hash.data(), 0)) return std::nullopt;
    return result;
  }
  if (!trust.acquire(&admin, &subsystem, 0)) return std::nullopt;
  CatalogHash result{UniqueCatalogAdmin(admin), {}};
  trust.calculate(file, &size, nullptr, 0);
  if (size == 0) return std::nullopt;
  result.hash.resize(size);
  if (!trust.calculate(file, &size, result.hash.data(), 0)) return std::nullopt;
  return result;
}

// The catalog that lists the hash, by its file path; empty text when none does.
std::wstring CatalogListing(HCATADMIN admin, std::vector<BYTE>& hash) {
  const TrustApi& trust = Trust();
  HCATINFO catalog = trust.catalogOf(admin, hash.data(), static_cast<DWORD>(hash.size()), 0,
                                     nullptr);
  if (!catalog) return {};
  CATALOG_INFO info{};
  info.cbStruct = sizeof info;
  const bool found = trust.catalogInfo(catalog, &info, 0) != FALSE;
  trust.releaseCatalog(admin, catalog, 0);
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

// A file that could not be checked at all, with the system's reason.
FileSignature Unverifiable(DWORD error) {
  FileSignature unverifiable;
  unverifiable.status = SignatureStatus::Untrusted;
  unverifiable.reason = SystemErrorText(error);
  return unverifiable;
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
  if (!Trust().Complete()) return Unverifiable(ERROR_PROC_NOT_FOUND);
  const std::wstring widePath = ExtendedWidePath(path);
  const UniqueHandle file = OpenRegularFile(path);
  if (!file) return Unverifiable(GetLastError());
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
