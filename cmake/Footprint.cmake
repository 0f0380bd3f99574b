# Footprint of umbraline.exe: size-optimised code, link-time optimisation, a linker map, and the
# DLLs that start-up never needs loaded at their first call instead of at process start.
# Included at the end of the top-level CMakeLists.txt, once every target exists.
option(UMBRALINE_SIZE_OPT "Optimise the program's code for size" ON)
option(UMBRALINE_LTO "Link-time optimisation of the program" ON)
option(UMBRALINE_DELAY_LOAD "Load the DLLs that start-up does not need at their first call" ON)

# Called only after start-up: GDI+ (overlay clock), the version reader, the common controls and the
# scaling helpers (About window), the window manager's frame colour (menus), and COM (badge
# pictures, the start-up shortcut, shell calls), whose servers load only when an object is asked for,
# and the session notices (only while a mode or a condition needs the lock state).
set(UMBRALINE_DELAY_LOADED_DLLS gdiplus version shcore comctl32 dwmapi ole32 wtsapi32)

set(footprint_targets umbraline_core umbraline)
if(UMBRALINE_SIZE_OPT)
  foreach(target IN LISTS footprint_targets)
    target_compile_options(${target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:$<IF:$<BOOL:${MSVC}>,/O1,-Os>>)
  endforeach()
  # The hot paths stay optimised for speed: the overlay's blend and clock per tick (OverlayLayer, -O3: at
  # -Os GCC divides by 255 instead of multiplying) and the fill of a whole monitor's bitmap
  # (OverlayWindows). GCC vectorises that fill at -O3, or at -O2 with the cheap cost model, never at -Os
  # (a full render of 3840 x 2160 then took about 5 times as long); the rest of that file is cold, so it
  # is -O2 with that model rather than -O3 (5 KiB less). The INI reader (every menu, every overlay
  # opening and clock tick reads config.ini) copies nothing of a line but the key and value it keeps, and
  # at -Os it is as fast as the reader that copied every line was at -O2 (16 KiB less).
  set_source_files_properties(src/overlay/OverlayLayer.cpp TARGET_DIRECTORY umbraline_core
                              PROPERTIES COMPILE_OPTIONS $<$<CONFIG:Release,MinSizeRel>:$<IF:$<BOOL:${MSVC}>,/O2,-O3>>)
  set_source_files_properties(src/overlay/OverlayWindows.cpp TARGET_DIRECTORY umbraline_core PROPERTIES COMPILE_OPTIONS
                              "$<$<CONFIG:Release,MinSizeRel>:$<IF:$<BOOL:${MSVC}>,/O2,-O2;-fvect-cost-model=cheap>>")
endif()
if(UMBRALINE_LTO AND MSVC)
  set_property(TARGET ${footprint_targets} PROPERTY INTERPROCEDURAL_OPTIMIZATION_RELEASE ON)
  set_property(TARGET ${footprint_targets} PROPERTY INTERPROCEDURAL_OPTIMIZATION_MINSIZEREL ON)
elseif(UMBRALINE_LTO)
  # Fat objects: the program (and its benchmark, which measures the same code) is optimised across
  # files at link time; the tests link the plain code, without a link-time optimisation of their own.
  # One partition: when GCC 12 splits the program into several partitions for mingw-w64, a
  # function shared between them (a COMDAT instance of std::vector's or std::wstring's members)
  # stops the optimiser with an internal compiler error (binds_to_current_def_p). In one
  # partition nothing is shared; the program is small enough to optimise in one piece.
  target_compile_options(umbraline_core PRIVATE $<$<CONFIG:Release,MinSizeRel>:-flto=auto -ffat-lto-objects>)
  # The handle owners' releases stay one copy each: link-time optimisation would copy each (with
  # the saving and restoring of the last-error code) into every place an owner goes out of scope,
  # above all into the overlay's -O3 code (about 1.2 KiB).
  set_source_files_properties(src/base/Handles.cpp TARGET_DIRECTORY umbraline_core PROPERTIES COMPILE_OPTIONS -fno-lto)
  foreach(target umbraline umbraline_bench)
    if(TARGET ${target})
      target_link_options(${target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-flto=auto $<$<CXX_COMPILER_ID:GNU>:-flto-partition=one>>)
    endif()
  endforeach()
  if(UMBRALINE_TESTS)
    get_property(test_targets DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/tests PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS test_targets)
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "EXECUTABLE")
        target_link_options(${target} PRIVATE -fno-lto)
      endif()
    endforeach()
  endif()
endif()

if(MSVC)
  target_compile_options(umbraline_core PRIVATE /Gy /Gw)
  target_link_options(umbraline PRIVATE /OPT:REF /OPT:ICF /MAP:$<TARGET_FILE_DIR:umbraline>/umbraline.map)
  if(UMBRALINE_DELAY_LOAD)
    foreach(dll IN LISTS UMBRALINE_DELAY_LOADED_DLLS)
      target_link_options(umbraline PRIVATE /DELAYLOAD:${dll}.dll)
    endforeach()
    target_link_libraries(umbraline PRIVATE delayimp)
  endif()
elseif(MINGW)
  target_link_options(umbraline PRIVATE -Wl,-Map=$<TARGET_FILE_DIR:umbraline>/umbraline.map)
  # libstdc++'s default terminate handler prints the uncaught exception's demangled type to stderr,
  # which a GUI program does not have; it alone pulls in the demangler and the C runtime's narrow
  # printf (about 60 KiB). Terminating goes straight to abort instead, as with MSVC.
  option(UMBRALINE_PLAIN_TERMINATE "Terminate without the verbose handler" ON)
  if(UMBRALINE_PLAIN_TERMINATE)
    target_link_options(umbraline PRIVATE -Wl,--defsym=_ZN9__gnu_cxx27__verbose_terminate_handlerEv=abort)
  endif()
  # The standard library reports a broken precondition (an index past the end, a length beyond
  # max_size(), a null pointer made into a string, an empty std::function called) through helpers
  # that all live in one object of libstdc++; it brings the exception classes with their
  # copy-on-write strings, the narrow std::string and std::random_device (about 58 KiB). Nothing in
  # the program catches those errors, so they ended in terminate and abort: they abort at once
  # instead. Running out of memory still throws std::bad_alloc from operator new (the one catch in
  # the program, around a picture's pixels, is for that).
  option(UMBRALINE_ABORT_ON_LIBRARY_ERRORS "Abort on the standard library's precondition errors" ON)
  if(UMBRALINE_ABORT_ON_LIBRARY_ERRORS)
    foreach(helper _ZSt17__throw_bad_allocv _ZSt28__throw_bad_array_new_lengthv _ZSt20__throw_length_errorPKc
                   _ZSt19__throw_logic_errorPKc _ZSt24__throw_out_of_range_fmtPKcz _ZSt25__throw_bad_function_callv)
      target_link_options(umbraline PRIVATE -Wl,--defsym=${helper}=abort)
    endforeach()
  endif()
  if(UMBRALINE_DELAY_LOAD)
    # GNU ld has no /DELAYLOAD: dlltool makes a delay-import library from the exports of the regular
    # import library; linked ahead of the regular one it resolves the same names.
    find_program(UMBRALINE_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool dlltool REQUIRED)
    find_program(UMBRALINE_NM NAMES ${TOOLCHAIN_PREFIX}-nm nm REQUIRED)
    set(delay_dir ${CMAKE_BINARY_DIR}/delayload)
    foreach(dll IN LISTS UMBRALINE_DELAY_LOADED_DLLS)
      find_library(import_${dll} NAMES lib${dll}.a ${dll} REQUIRED)
      add_custom_command(
        OUTPUT ${delay_dir}/lib${dll}-delay.a
        COMMAND ${CMAKE_COMMAND} -DNM=${UMBRALINE_NM} -DIMPORT_LIB=${import_${dll}} -DDLL=${dll}.dll
                -DDEF=${delay_dir}/${dll}.def -P ${CMAKE_CURRENT_LIST_DIR}/ImportDef.cmake
        COMMAND ${UMBRALINE_DLLTOOL} --input-def ${delay_dir}/${dll}.def --dllname ${dll}.dll
                --output-delaylib ${delay_dir}/lib${dll}-delay.a
        DEPENDS ${import_${dll}} ${CMAKE_CURRENT_LIST_DIR}/ImportDef.cmake
        COMMENT "Delay-import library for ${dll}.dll")
      list(APPEND delay_libs ${delay_dir}/lib${dll}-delay.a)
    endforeach()
    add_custom_target(umbraline_delay_libs DEPENDS ${delay_libs})
    add_dependencies(umbraline umbraline_delay_libs)
    # After umbraline_core and ahead of its regular import libraries on the link line.
    target_link_libraries(umbraline PRIVATE ${delay_libs})
  endif()
endif()
