# Build conventions shared by every target: one interface target carries the standard,
# the warnings, the hardening and the defines.
add_library(nimbulux_options INTERFACE)
target_compile_features(nimbulux_options INTERFACE cxx_std_20)
target_compile_options(nimbulux_options INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wno-error=deprecated-declarations
  -Wold-style-cast -Wcast-qual -Woverloaded-virtual -Wnon-virtual-dtor
  # GCC 12 at -O3 reports overlapping copies inside std::string's own operator+ that
  # cannot happen (a known false alarm of that release); -O2 builds keep the check.
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<CONFIG:Release>>:-Wno-restrict>)
target_include_directories(nimbulux_options INTERFACE ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(nimbulux_options INTERFACE
  NIMBULUX_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  NIMBULUX_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  NIMBULUX_VERSION_PATCH=${PROJECT_VERSION_PATCH}
  QT_NO_KEYWORDS)
# Hardening that distributions expect of a packaged program; fortification needs an
# optimised build.
target_compile_options(nimbulux_options INTERFACE -fstack-protector-strong
  $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
target_link_options(nimbulux_options INTERFACE -Wl,-z,relro,-z,now)

if(NIMBULUX_SANITIZE)
  target_compile_options(nimbulux_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(nimbulux_options INTERFACE -fsanitize=address,undefined)
endif()
# A fuzzing build instruments every library for libFuzzer's coverage; only the fuzz
# targets link the fuzzer's own main.
if(NIMBULUX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "NIMBULUX_FUZZ needs clang (CXX=clang++)")
  endif()
  target_compile_options(nimbulux_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  target_link_options(nimbulux_options INTERFACE -fsanitize=address,undefined)
endif()
