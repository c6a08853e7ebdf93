# simdjson, compiled into the binary from one pinned release on every system,
# with our compiler and flags: every build parses with the same code, a
# universal macOS build gets both architectures, and the binary needs no
# simdjson library where it runs. Without network, hand CMake the release's
# tree: -DFETCHCONTENT_SOURCE_DIR_SIMDJSON=<folder>.
include(FetchContent)
FetchContent_Declare(simdjson
  URL https://github.com/simdjson/simdjson/archive/refs/tags/v4.6.4.tar.gz
  URL_HASH SHA256=b091107844fe928158c5c2265c20360fff312889ddf7ebc4528a0f0f8f2ff9cd
  # One download per clone, shared by every preset's build folder.
  DOWNLOAD_DIR ${PROJECT_SOURCE_DIR}/.downloads
  # The sources only: simdjson's own CMake project would add its targets and
  # install rules to ours.
  SOURCE_SUBDIR sources-only)
FetchContent_MakeAvailable(simdjson)

add_library(vesk_simdjson STATIC ${simdjson_SOURCE_DIR}/src/simdjson.cpp)
target_include_directories(vesk_simdjson SYSTEM PUBLIC ${simdjson_SOURCE_DIR}/include)
target_include_directories(vesk_simdjson PRIVATE ${simdjson_SOURCE_DIR}/src)
# We read its results as values; no exception is thrown across our layer.
target_compile_definitions(vesk_simdjson PUBLIC SIMDJSON_EXCEPTIONS=0)
# Its licence goes wherever the binary is shipped.
configure_file(${simdjson_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE-simdjson COPYONLY)
