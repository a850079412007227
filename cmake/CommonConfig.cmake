# One interface target that carries the language standard, warnings and
# defines shared by every library, program and test of the suite.
add_library(orv_common INTERFACE)
target_compile_features(orv_common INTERFACE cxx_std_20)
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(orv_common INTERFACE -Wall -Wextra)
target_compile_definitions(orv_common INTERFACE
    QT_NO_FOREACH
    QT_DISABLE_DEPRECATED_BEFORE=0x060000)

if(ORV_SANITIZE)
    set(_orv_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_compile_options(orv_common INTERFACE ${_orv_san})
    target_link_options(orv_common INTERFACE ${_orv_san})
endif()

if(ORV_BUILD_FUZZ)
    # Coverage for libFuzzer in every library the fuzz targets link.
    target_compile_options(orv_common INTERFACE -fsanitize=fuzzer-no-link)
endif()
