# The target `sqlite3`, for what keeps data in SQLite: the system's library in the native builds;
# in the Windows build the one-file source that scripts/setup.sh fetches, compiled in, so the
# programs stay single .exe files that import only KnownDLLs (SQLite itself needs kernel32 alone).
if(NOT WIN32)
  find_package(SQLite3)
  if(NOT SQLite3_FOUND)
    message(FATAL_ERROR "SQLite's headers and library are missing: run scripts/setup.sh")
  endif()
  add_library(sqlite3 INTERFACE)
  target_link_libraries(sqlite3 INTERFACE SQLite::SQLite3)
  return()
endif()

set(SQLITE_SOURCE_DIR ${CMAKE_SOURCE_DIR}/build/deps/sqlite3 CACHE PATH
    "Folder holding SQLite's sqlite3.c and sqlite3.h (scripts/setup.sh fetches them)")
if(NOT EXISTS ${SQLITE_SOURCE_DIR}/sqlite3.c OR NOT EXISTS ${SQLITE_SOURCE_DIR}/sqlite3.h)
  message(FATAL_ERROR "${SQLITE_SOURCE_DIR}/sqlite3.c is missing: run scripts/setup.sh")
endif()
add_library(sqlite3 STATIC ${SQLITE_SOURCE_DIR}/sqlite3.c)
target_include_directories(sqlite3 SYSTEM PUBLIC ${SQLITE_SOURCE_DIR})
# Built as the system's library is, so a query that passes the native tests behaves the same
# here: serialized threading (THREADSAFE=1), foreign keys off until `PRAGMA foreign_keys = ON`.
# Unlike it, no SQL statement can make the program load a DLL (OMIT_LOAD_EXTENSION).
target_compile_definitions(sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
# Not our code: its warnings are not ours to fix.
target_compile_options(sqlite3 PRIVATE -w)
