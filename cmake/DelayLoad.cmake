# Links a program so that system libraries it needs only for some commands
# (printing, the shell, the common dialogs) are loaded at their first call
# rather than before the program starts. For each library named, an import
# library of the same name that loads on first call is made from the
# toolchain's own one, and the program's search finds it first.
#   sb_delay_load(TARGET comdlg32=COMDLG32.DLL shell32=SHELL32.dll ...)
function(sb_delay_load target)
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}_delayed")
  file(MAKE_DIRECTORY "${dir}")
  foreach(entry IN LISTS ARGN)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 dll)
    find_library(sb_import_${name} NAMES lib${name}.a REQUIRED)
    set(import "${sb_import_${name}}")
    set(delayed "${dir}/lib${name}.a")
    if(NOT EXISTS "${delayed}" OR "${import}" IS_NEWER_THAN "${delayed}")
      execute_process(COMMAND "${CMAKE_NM}" "${import}" OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "${CMAKE_NM} cannot read ${import}")
      endif()
      # Every function the library exports, as its entry points are named.
      string(REGEX MATCHALL "[0-9a-fA-F]+ T _[A-Za-z0-9][A-Za-z0-9_@?$]*" lines "${symbols}")
      set(exports "")
      foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[0-9a-fA-F]+ T _" "" symbol "${line}")
        list(APPEND exports "${symbol}")
      endforeach()
      list(REMOVE_DUPLICATES exports)
      list(JOIN exports "\n" body)
      file(WRITE "${dir}/${name}.def" "LIBRARY ${dll}\nEXPORTS\n${body}\n")
      execute_process(COMMAND "${CMAKE_DLLTOOL}" --kill-at --input-def "${dir}/${name}.def" --dllname "${dll}"
                              --output-delaylib "${delayed}" RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "${CMAKE_DLLTOOL} cannot make ${delayed}")
      endif()
    endif()
  endforeach()
  # The helper that loads a library at its first call comes with the
  # toolchain's own runtime.
  target_link_directories(${target} BEFORE PRIVATE "${dir}")
endfunction()
