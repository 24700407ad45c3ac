# The web page in real browser engines, opened from disk: Chromium and WebKitGTK
# driven through WebDriver, each step against a native build's runner
# (PREPROCESSOR_NATIVE_BATCH); Firefox through its own headless screenshot.
set(PREPROCESSOR_NATIVE_BATCH "" CACHE FILEPATH "A native preprocessor-batch to compare the page with")
set(page ${PROJECT_BINARY_DIR}/src/preprocessor-sim.html)
if(PREPROCESSOR_NATIVE_BATCH)
    foreach(engine chromium webkit)
        add_test(NAME web_page_${engine}
            COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/web_page.sh ${engine} ${page}
                    ${PREPROCESSOR_NATIVE_BATCH}
                    ${PROJECT_SOURCE_DIR}/examples/worked-example/input.txt
                    ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/extremes.txt)
        set_tests_properties(web_page_${engine} PROPERTIES TIMEOUT 300)
    endforeach()
endif()
add_test(NAME web_page_firefox
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            python3 ${CMAKE_CURRENT_SOURCE_DIR}/web_page_firefox.py firefox-esr ${page})
set_tests_properties(web_page_firefox PROPERTIES TIMEOUT 120)
