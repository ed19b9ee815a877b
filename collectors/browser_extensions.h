// The Browser Extensions category: every user's Chromium-family and Firefox profiles, their
// extensions read from the browsers' own files, and the extensions policy forces.
#pragma once

#include <cstddef>

#include "base/levels.h"
#include "collectors/user_profiles.h"
#include "support/registry.h"

namespace sysinfo {

class ReportWriter;

// What one file of a profile may hold at most: a long-used profile's Preferences run to MBs.
inline constexpr std::size_t kMaxBrowserSettings = 8u << 20;
inline constexpr std::size_t kMaxExtensionManifest = 1u << 20;

// One block per extension, sorted by user, browser, profile and name; then the extensions policy
// forces that no profile has, the files that could not be read with why, and the users whose
// policies are not known.
void CollectBrowserExtensions(ReportWriter& report, RegistryRoutines& keys,
                              UserProfileSystem& files, DetailLevel level);

}  // namespace sysinfo
