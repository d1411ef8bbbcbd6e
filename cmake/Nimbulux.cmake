# Build conventions shared by every target.

# One interface target carries the standard, the warnings and the defines.
add_library(nimbulux_options INTERFACE)
target_compile_features(nimbulux_options INTERFACE cxx_std_20)
target_compile_options(nimbulux_options INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wno-error=deprecated-declarations
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

# The screen-less logic is one static library (nimbulux_logic); the Qt Widgets code
# another (nimbulux_gui). Each module names its sources with nimbulux_module(); with
# NIMBULUX_SPLIT_MODULES every module becomes a library of its own, so that a module
# and its tests build while a neighbouring module is half-written.
option(NIMBULUX_SPLIT_MODULES "Build each module as its own library" OFF)

add_library(nimbulux_logic STATIC)
target_link_libraries(nimbulux_logic PUBLIC nimbulux_options)
set_target_properties(nimbulux_logic PROPERTIES LINKER_LANGUAGE CXX)

if(NIMBULUX_BUILD_GUI)
  add_library(nimbulux_gui STATIC)
  target_link_libraries(nimbulux_gui PUBLIC nimbulux_logic nimbulux_options)
  set_target_properties(nimbulux_gui PROPERTIES LINKER_LANGUAGE CXX AUTOMOC ON)
endif()

# With split modules the two whole libraries only gather the modules; CMake still
# wants one source file of their own.
if(NIMBULUX_SPLIT_MODULES)
  file(WRITE ${CMAKE_BINARY_DIR}/nimbulux_whole.cpp "// gathers the module libraries\n")
  target_sources(nimbulux_logic PRIVATE ${CMAKE_BINARY_DIR}/nimbulux_whole.cpp)
  if(NIMBULUX_BUILD_GUI)
    target_sources(nimbulux_gui PRIVATE ${CMAKE_BINARY_DIR}/nimbulux_whole.cpp)
  endif()
endif()

# nimbulux_module(<name> [GUI] SOURCES <files relative to the calling file> LIBS <libraries>)
# defines the target nb_<name>.
function(nimbulux_module name)
  cmake_parse_arguments(M "GUI" "" "SOURCES;LIBS" ${ARGN})
  set(sources)
  foreach(s ${M_SOURCES})
    if(IS_ABSOLUTE ${s})
      list(APPEND sources ${s})
    else()
      list(APPEND sources ${CMAKE_CURRENT_LIST_DIR}/${s})
    endif()
  endforeach()
  if(M_GUI)
    set(whole nimbulux_gui)
  else()
    set(whole nimbulux_logic)
  endif()
  if(NIMBULUX_SPLIT_MODULES)
    add_library(nb_${name} STATIC ${sources})
    target_link_libraries(nb_${name} PUBLIC nimbulux_options ${M_LIBS})
    set_target_properties(nb_${name} PROPERTIES AUTOMOC ${M_GUI})
    target_link_libraries(${whole} PUBLIC nb_${name})
  else()
    target_sources(${whole} PRIVATE ${sources})
    # Other modules are already part of the same library (or of nimbulux_logic).
    list(FILTER M_LIBS EXCLUDE REGEX "^nb_")
    if(M_LIBS)
      target_link_libraries(${whole} PUBLIC ${M_LIBS})
    endif()
    add_library(nb_${name} ALIAS ${whole})
  endif()
endfunction()
