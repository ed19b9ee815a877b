// Windows Installer's per-user products through msi.dll, loaded by name at run time.
#include "collectors/user_software_win.h"

#include <windows.h>
#include <msi.h>

#include <algorithm>
#include <array>

#include "base/system_library_win.h"
#include "base/unicode_win.h"

namespace sysinfo {
namespace {

// Every user, as MsiEnumProductsEx names them.
constexpr const wchar_t* kEveryUser = L"s-1-1-0";
constexpr DWORD kUserContexts = MSIINSTALLCONTEXT_USERMANAGED | MSIINSTALLCONTEXT_USERUNMANAGED;
// A product's text is the installer's to state; nothing of it is read past this.
constexpr DWORD kMaxValueLength = 32'767;
// An installer database that lists without end still ends the scan.
constexpr DWORD kMaxProducts = 100'000;

struct MsiApi {
  decltype(&MsiEnumProductsExW) enumProducts;
  decltype(&MsiGetProductInfoExW) productInfo;
};

const MsiApi& MsiDll() {
  static const SystemLibrary msi(L"msi.dll");
  static const MsiApi api{msi.Find("MsiEnumProductsExW"), msi.Find("MsiGetProductInfoExW")};
  return api;
}

// The property's text; empty when the product has none.
std::string ProductInfo(const MsiApi& api, const wchar_t* code, const wchar_t* sid,
                        MSIINSTALLCONTEXT context, const wchar_t* property) {
  std::wstring value(256, L'\0');
  DWORD length = static_cast<DWORD>(value.size());
  UINT status = api.productInfo(code, sid, context, property, value.data(), &length);
  if (status == ERROR_MORE_DATA && length < kMaxValueLength) {
    value.assign(length + 1, L'\0');
    length = static_cast<DWORD>(value.size());
    status = api.productInfo(code, sid, context, property, value.data(), &length);
  }
  if (status != ERROR_SUCCESS) return {};
  value.resize(std::min<std::size_t>(length, value.size()));
  return WideToUtf8(value);
}

InstallerProduct ReadProduct(const MsiApi& api, const wchar_t* code, const wchar_t* sid,
                             MSIINSTALLCONTEXT context) {
  const auto info = [&](const wchar_t* property) {
    return ProductInfo(api, code, sid, context, property);
  };
  InstallerProduct product;
  product.userSid = WideToUtf8(sid);
  product.productCode = WideToUtf8(code);
  product.name = info(INSTALLPROPERTY_INSTALLEDPRODUCTNAME);
  if (product.name.empty()) product.name = info(INSTALLPROPERTY_PRODUCTNAME);  // advertised
  product.version = info(INSTALLPROPERTY_VERSIONSTRING);
  product.publisher = info(INSTALLPROPERTY_PUBLISHER);
  product.installLocation = info(INSTALLPROPERTY_INSTALLLOCATION);
  product.installDate = info(INSTALLPROPERTY_INSTALLDATE);
  return product;
}

// The products of the users `users` names (kEveryUser, or null for the scan's own user); the
// installer's error when the listing ended on one.
Result<std::vector<InstallerProduct>> Enumerate(const MsiApi& api, const wchar_t* users) {
  Result<std::vector<InstallerProduct>> products;
  for (DWORD index = 0; index < kMaxProducts; ++index) {
    std::array<wchar_t, 39> code{};
    std::array<wchar_t, 256> sid{};
    DWORD sidLength = static_cast<DWORD>(sid.size());
    MSIINSTALLCONTEXT context = MSIINSTALLCONTEXT_NONE;
    const UINT status = api.enumProducts(nullptr, users, kUserContexts, index, code.data(),
                                         &context, sid.data(), &sidLength);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) {
      products.error = SystemError(status);
      break;
    }
    products.value.push_back(ReadProduct(api, code.data(), sid.data(), context));
  }
  return products;
}

}  // namespace

Result<std::vector<InstallerProduct>> WindowsInstallerProducts::UserProducts() {
  const MsiApi& api = MsiDll();
  if (!api.enumProducts || !api.productInfo) return {{}, Failure("msi.dll could not be loaded")};
  Result<std::vector<InstallerProduct>> products = Enumerate(api, kEveryUser);
  // Other users' products are for administrators to list; the scan's own user's still are.
  if (products.error && products.value.empty()) {
    Result<std::vector<InstallerProduct>> own = Enumerate(api, nullptr);
    if (!own.error) own.error = Failure("other users' products: " + products.error->message);
    return own;
  }
  return products;
}

}  // namespace sysinfo
