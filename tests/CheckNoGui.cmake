# cmake -DFILES=<a;b;...> -P CheckNoGui.cmake
# Fails when any of the programs loads Qt Gui, Qt Widgets or an X11/xcb library.
foreach(file ${FILES})
    execute_process(COMMAND ldd ${file} OUTPUT_VARIABLE libs RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "ldd failed on ${file}")
    endif()
    string(REGEX MATCHALL "lib(Qt6Gui|Qt6Widgets|X11|xcb)[^ \t\n]*" found "${libs}")
    if(found)
        list(REMOVE_DUPLICATES found)
        message(FATAL_ERROR "${file} links ${found}")
    endif()
    message(STATUS "${file}: no Qt Gui, Qt Widgets or X11")
endforeach()
