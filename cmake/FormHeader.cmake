# add_form_header(VARIABLE FOLDER FORM): the form header of a front-end without
# a designer compiler, FOLDER/ui_<name>.h, made from the Qt Designer form FORM at
# build time, as uic makes Qt's; VARIABLE receives its path.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(add_form_header variable folder form)
    get_filename_component(name ${form} NAME_WE)
    set(header ${folder}/ui_${name}.h)
    add_custom_command(OUTPUT ${header}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/ui_to_form.py ${form} ${header}
        DEPENDS ${form} ${PROJECT_SOURCE_DIR}/cmake/ui_to_form.py
        COMMENT "Making ${header} from ${name}.ui")
    set(${variable} ${header} PARENT_SCOPE)
endfunction()
