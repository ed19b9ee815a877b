// What kind of identifying value a report field holds, as each category declares it.
#pragma once

#include <string_view>

namespace sysinfo {

// The kinds of value a redacted report replaces; each gives its marker its name ("<user-1>").
enum class IdentityKind {
  User,  // an account name
  Computer,  // the computer's own name
  Domain,  // a domain or workgroup name
  Owner,  // the registered owner
  Organization,  // the registered organisation
  Serial,  // a serial number, also the serial inside a device instance id
  Id,  // another unique id (a disk signature, a processor's unique id)
  Sid,  // a security identifier of an account
  Proxy,  // a proxy server, override or configuration URL
  Credentials,  // "user:password" inside a URL
  Secret,  // the value of a command-line argument that names a password, token, key or secret
  Email,  // an e-mail address
  Phone,  // a telephone number
  Mac,  // a network or Bluetooth device address
  Word,  // a word the user asked to hide (--redact-word, RedactWords=)
  // Field shapes that hold one of the kinds above in part:
  Account,  // "DOMAIN\name": a domain and a user
  DeviceId,  // "USBSTOR\DISK&VEN_X\SERIAL&0": a serial or a device address when it holds one
  ProxyList,  // "http=host:port;https=host:port": one proxy per entry
  ProxyOverrides,  // "*.corp.example;intranet;<local>": the entries that name a place
};

// A field of a category whose value identifies the machine or its people.
struct IdentifyingField {
  std::string_view field;  // the property or column name, as the JSON report records it
  IdentityKind kind;
};

}  // namespace sysinfo
