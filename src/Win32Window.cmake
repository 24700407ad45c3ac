# The window on the Win32 API itself: the same form and handlers (Unit1), the
# same neutral part of the framework, and the services given in framework/win32.
# Its form header is made from Unit1.ui at build time, as uic makes Qt's.
include(FormHeader)
add_form_header(form_header ${CMAKE_CURRENT_BINARY_DIR}/win32 ${CMAKE_CURRENT_SOURCE_DIR}/Unit1.ui)

# The icon resource, drawn from the same SVG as the Linux icons.
include(RenderIcon)
render_icon_sizes(icon_sizes ${PROJECT_SOURCE_DIR}/packaging/${PREPROCESSOR_APP_ID}.svg
    ${CMAKE_CURRENT_BINARY_DIR}/win32/icons 16 24 32 48 64 256)
set(icon ${CMAKE_CURRENT_BINARY_DIR}/win32/preprocessor-sim.ico)
add_custom_command(OUTPUT ${icon}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/png_to_ico.py ${icon} ${icon_sizes}
    DEPENDS ${icon_sizes} ${PROJECT_SOURCE_DIR}/cmake/png_to_ico.py
    COMMENT "Packing the icon for Windows")
configure_file(framework/win32/preprocessor-sim.manifest
    ${CMAKE_CURRENT_BINARY_DIR}/win32/preprocessor-sim.manifest COPYONLY)
configure_file(framework/win32/preprocessor-sim.rc ${CMAKE_CURRENT_BINARY_DIR}/win32/preprocessor-sim.rc
    COPYONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/win32/preprocessor-sim.rc
    PROPERTIES OBJECT_DEPENDS "${icon};${CMAKE_CURRENT_BINARY_DIR}/win32/preprocessor-sim.manifest")

add_library(framework_win32 STATIC
    framework/Application.cpp
    framework/Application.h
    framework/Exception.h
    framework/win32/Application.cpp
    framework/win32/Controls.cpp
    framework/win32/Controls.h
    framework/win32/DiagramWindow.cpp
    framework/win32/DiagramWindow.h
)
target_include_directories(framework_win32 PUBLIC
    ${CMAKE_CURRENT_SOURCE_DIR}/framework ${CMAKE_CURRENT_SOURCE_DIR}/framework/win32)
target_link_libraries(framework_win32 PUBLIC preprocessor_model preprocessor_diagram ole32 uuid
    shell32 comctl32)
target_compile_definitions(framework_win32 PUBLIC UNICODE _UNICODE
    PRIVATE PREPROCESSOR_VERSION="${PROJECT_VERSION}")

# The window, apart from the entry point, as on Qt, so a benchmark can drive it.
add_library(window STATIC Startup.cpp Startup.h Unit1.cpp Unit1.h ${form_header})
target_include_directories(window PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/win32)
target_link_libraries(window PUBLIC framework_win32 preprocessor_record)

add_executable(preprocessor-sim WIN32 main.cpp ${CMAKE_CURRENT_BINARY_DIR}/win32/preprocessor-sim.rc)
target_link_libraries(preprocessor-sim PRIVATE window)
target_compile_definitions(preprocessor-sim PRIVATE PREPROCESSOR_WIN32_WINDOW)
if(MINGW)
    target_link_options(preprocessor-sim PRIVATE -municode)  # the entry point is wWinMain
endif()
install(TARGETS preprocessor-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
