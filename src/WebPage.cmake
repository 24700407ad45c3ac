# The window as a web page: the same form and handlers (Unit1), the same neutral
# part of the framework, and the services given in framework/web on the browser's
# document; its form header made from Unit1.ui as the Windows one is. The
# program, its WebAssembly inside, goes into one self-contained page,
# preprocessor-sim.html, with the page's own style and script.
include(FormHeader)
add_form_header(form_header ${CMAKE_CURRENT_BINARY_DIR}/web ${CMAKE_CURRENT_SOURCE_DIR}/Unit1.ui)

add_library(framework_web STATIC
    framework/Application.cpp
    framework/Application.h
    framework/Exception.h
    framework/FormDescription.h
    framework/web/Application.cpp
    framework/web/Controls.cpp
    framework/web/Controls.h
)
target_include_directories(framework_web PUBLIC
    ${CMAKE_CURRENT_SOURCE_DIR}/framework ${CMAKE_CURRENT_SOURCE_DIR}/framework/web)
target_link_libraries(framework_web PUBLIC preprocessor_model preprocessor_record)

add_library(window STATIC Startup.cpp Startup.h Unit1.cpp Unit1.h ${form_header})
target_include_directories(window PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/web)
target_link_libraries(window PUBLIC framework_web preprocessor_record)

set(web ${CMAKE_CURRENT_SOURCE_DIR}/framework/web)
# What the page reads of the session's record, and its diagram, are called from
# the page alone, so they go into the program itself, not a library the linker
# may leave out.
add_executable(preprocessor-sim main.cpp framework/web/Diagram.cpp framework/web/Record.cpp)
target_link_libraries(preprocessor-sim PRIVATE window preprocessor_diagram)
# C++ exceptions carry the errors the standard error box shows; the memory grows
# with the history and with a large input.txt; each start of the page's
# program is a new instance (MODULARIZE), its folder in the browser's memory.
target_link_options(preprocessor-sim PRIVATE
    -fexceptions -sALLOW_MEMORY_GROWTH=1 -sMALLOC=emmalloc -sMODULARIZE=1 -sEXPORT_NAME=PreprocessorSim
    -sENVIRONMENT=web -sSINGLE_FILE=1 -sWASM_ASYNC_COMPILATION=0 -sEXPORTED_RUNTIME_METHODS=FS,UTF8ToString
    --pre-js ${web}/document.js)
set_target_properties(preprocessor-sim PROPERTIES LINK_DEPENDS ${web}/document.js)
# Emscripten's own script tools need acorn, which Debian keeps in its Node.js
# folder: a node from elsewhere on the PATH does not look there.
if(EXISTS /usr/share/nodejs)
    set_target_properties(preprocessor-sim PROPERTIES CXX_LINKER_LAUNCHER
        "${CMAKE_COMMAND};-E;env;NODE_PATH=/usr/share/nodejs:$ENV{NODE_PATH}")
endif()

# Its scripts shortened (local names, blanks), which takes a fifth off the page.
find_program(TERSER terser REQUIRED)
set(minified)
foreach(script program diagram page)
    if(script STREQUAL program)
        set(source $<TARGET_FILE:preprocessor-sim>)
        set(depends preprocessor-sim)
    else()
        set(source ${web}/${script}.js)
        set(depends ${source})
    endif()
    set(output ${CMAKE_CURRENT_BINARY_DIR}/web/${script}.min.js)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs:$ENV{NODE_PATH}
                ${TERSER} ${source} --compress --mangle --output ${output}
        DEPENDS ${depends}
        COMMENT "Shortening ${script}.js")
    list(APPEND minified ${output})
endforeach()

set(page ${CMAKE_CURRENT_BINARY_DIR}/preprocessor-sim.html)
set(example ${PROJECT_SOURCE_DIR}/examples/worked-example/input.txt)
add_custom_command(OUTPUT ${page}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/make_page.py ${web}/page.html
            ${web}/page.css ${minified} ${example} ${page}
    DEPENDS ${minified} ${web}/page.html ${web}/page.css ${example}
            ${PROJECT_SOURCE_DIR}/cmake/make_page.py
    COMMENT "Making the page preprocessor-sim.html")
add_custom_target(page ALL DEPENDS ${page})
