# render_icon_sizes(<list variable> <svg> <output folder> <size>...): PNG renditions
# of an SVG icon, drawn at build time by rsvg-convert (Debian's librsvg2-bin), as
# <output folder>/<size>.png; the list receives their paths.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

function(render_icon_sizes variable svg folder)
    set(outputs)
    foreach(size IN LISTS ARGN)
        set(png ${folder}/${size}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
            COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${svg}
            DEPENDS ${svg}
            COMMENT "Drawing the ${size} px icon")
        list(APPEND outputs ${png})
    endforeach()
    set(${variable} ${outputs} PARENT_SCOPE)
endfunction()
