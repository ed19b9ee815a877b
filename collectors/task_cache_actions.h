// The actions the task cache keeps of each task, so that a task whose file was deleted still
// shows what it runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace sysinfo {

// A task has at most 32 actions; a value with more is not one the Task Scheduler wrote.
inline constexpr std::size_t kMaxCachedActions = 32;
// The value is read whole; anything larger is not one the Task Scheduler wrote.
inline constexpr std::size_t kMaxCachedActionsSize = 1024 * 1024;

// What the cache says a task starts.
struct CachedActions {
  std::vector<std::string> commands;  // each program action's command and arguments, joined
  std::vector<std::string> handlers;  // each COM handler action's class, "{...}" in upper case
};

// The REG_BINARY value `Actions` of the task's key in the cache,
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Schedule\TaskCache\Tasks\<Id>. Little-endian
// throughout; a string is a 32-bit length in bytes followed by that many bytes of UTF-16 LE.
//   version      16 bits: 1 (Windows 8.1), 2 or 3 (Windows 10 and later)
//   context      a string, from version 2 on: the principal the actions run as
//   then actions to the end of the value, each a 16-bit type and its id (a string), then:
//   0x6666 program      command, arguments, working folder; from version 2 on a 16-bit flags word
//   0x7777 COM handler  the class (a 16-byte GUID), its data (a string)
//   0x8888 e-mail       from, to, cc, bcc, reply-to, server, subject, body; a 32-bit count of
//                       attachment names and the names; a 32-bit count of header fields and each
//                       one's name and value
//   0x9999 message box  caption, text
// The value is hostile input: every length is checked against the bytes left, at most
// kMaxCachedActions actions and kMaxCachedActionsSize bytes are read. A value that is none of
// that gives a short printable reason, with the actions read before the fault.
Result<CachedActions> DecodeTaskCacheActions(std::span<const std::uint8_t> value);

// A GUID as Windows writes it, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, from its
// text with or without the braces, in any letter case; nothing for any other text.
std::optional<std::string> BracedGuid(std::string_view text);

}  // namespace sysinfo
