# Delay-import libraries for the system DLLs that Windows does not keep in
# its KnownDLLs list on every version this program supports.
#
# Why: a DLL imported the ordinary way is looked up when the process starts,
# before any of our code runs, and Windows looks in the program's own folder
# first unless the DLL is a KnownDLL. VantoExe runs as administrator from a
# folder other users may be able to write; a version.dll dropped there would
# run with the administrator's token. Linked through these libraries, the
# DLL is loaded at its first call instead, by the hook in
# util/DllSearch.cpp, from the system folder by its full path.
#
# vanto_delay_import(<name>) makes the IMPORTED target delayload_<name>
# (for example delayload_wininet) from mingw's import library lib<name>.a:
# the function names it exports (nm) go into a module definition, dlltool
# turns that into a delay-import library. Built at configure time; the
# import libraries are part of the toolchain and do not change.
#
# Not yet on i686: binutils 2.40's dlltool makes i386 delay-import libraries
# whose import address slots start as 0 (the first call jumps to address 0;
# seen with and without --kill-at). There delayload_<name> links the plain
# import library, and tests/imports/allowed_dlls.txt allows these DLLs for
# i686 programs only, until the i386 delay imports work.
function(vanto_delay_import name)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_library(delayload_${name} INTERFACE IMPORTED GLOBAL)
    set_target_properties(delayload_${name} PROPERTIES INTERFACE_LINK_LIBRARIES ${name})
    return()
  endif()
  set(implib ${CMAKE_FIND_ROOT_PATH}/lib/lib${name}.a)
  if(NOT EXISTS ${implib})
    message(FATAL_ERROR "import library ${implib} not found")
  endif()
  set(dir ${CMAKE_BINARY_DIR}/delayload)
  file(MAKE_DIRECTORY ${dir})
  execute_process(COMMAND ${CMAKE_NM} --defined-only ${implib}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${CMAKE_NM} failed on ${implib}")
  endif()
  # The DLL's file name as the import library records it.
  execute_process(COMMAND ${CMAKE_DLLTOOL} --identify ${implib}
                  OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0 OR dll STREQUAL "")
    message(FATAL_ERROR "${CMAKE_DLLTOOL} --identify failed on ${implib}")
  endif()
  # "__imp_Name" on x86_64; "__imp__Name@N" (stdcall) on i686.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(prefix "__imp__")
    set(killAt --kill-at)
  else()
    set(prefix "__imp_")
    set(killAt)
  endif()
  string(REGEX MATCHALL " I ${prefix}[A-Za-z0-9_@?$]+" entries "${symbols}")
  set(def "LIBRARY \"${dll}\"\nEXPORTS\n")
  foreach(entry ${entries})
    string(REPLACE " I ${prefix}" "" function "${entry}")
    string(APPEND def "  ${function}\n")
  endforeach()
  file(WRITE ${dir}/${name}.def "${def}")
  set(out ${dir}/lib${name}_delay.a)
  execute_process(COMMAND ${CMAKE_DLLTOOL} ${killAt} --input-def ${dir}/${name}.def --dllname ${dll}
                          --output-delaylib ${out}
                  WORKING_DIRECTORY ${dir} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${CMAKE_DLLTOOL} could not make ${out}")
  endif()
  add_library(delayload_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(delayload_${name} PROPERTIES IMPORTED_LOCATION ${out})
endfunction()
