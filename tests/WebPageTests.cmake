# The web page in real browser engines, opened from disk, each step against a
# native build's runner (PREPROCESSOR_NATIVE_BATCH): Chromium and WebKitGTK
# driven through WebDriver, Firefox through puppeteer-core over WebDriver BiDi
# (from node_modules, which `npm ci` fills); and Firefox's own headless
# screenshot of the page, checked for the form as drawn.
set(PREPROCESSOR_NATIVE_BATCH "" CACHE FILEPATH "A native preprocessor-batch to compare the page with")
set(page ${PROJECT_BINARY_DIR}/src/preprocessor-sim.html)
set(inputs ${PROJECT_SOURCE_DIR}/examples/worked-example/input.txt
           ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/extremes.txt)
if(PREPROCESSOR_NATIVE_BATCH)
    foreach(engine chromium webkit)
        add_test(NAME web_page_${engine}
            COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/web_page.sh ${engine} ${page}
                    ${PREPROCESSOR_NATIVE_BATCH} ${inputs})
        set_tests_properties(web_page_${engine} PROPERTIES TIMEOUT 300)
    endforeach()
    add_test(NAME web_page_firefox
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                node ${CMAKE_CURRENT_SOURCE_DIR}/web_page_firefox.mjs /usr/bin/firefox-esr ${page}
                     ${PREPROCESSOR_NATIVE_BATCH} ${inputs}
                     ${CMAKE_CURRENT_BINARY_DIR}/web_page_firefox)
    set_tests_properties(web_page_firefox PROPERTIES TIMEOUT 300)
endif()
add_test(NAME web_page_firefox_drawn
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            python3 ${CMAKE_CURRENT_SOURCE_DIR}/web_page_firefox.py firefox-esr ${page})
set_tests_properties(web_page_firefox_drawn PROPERTIES TIMEOUT 120)
