// sysinfo-fleet: a fleet's JSON reports into one database, as rows for other engines, and
// questions asked of the database.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace sysinfo {

// Runs the command line `args` (UTF-8, without the program's name); returns the exit status:
// 0 done, 1 done but some report was refused, 2 a bad command line or a database that failed.
int RunFleetCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace sysinfo
