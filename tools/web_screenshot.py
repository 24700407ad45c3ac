#!/usr/bin/env python3
"""The web page in headless Chromium after some steps of the bundled example, as a
picture of its top WIDTH x HEIGHT CSS pixels, in the light or the dark colour
scheme; a WIDTH under the form's (a phone) is shown as a phone shows it, at three
device pixels to one:
web_screenshot.py PAGE PICTURE [HEIGHT [STEPS [WIDTH [light|dark]]]]
(HEIGHT 432, the form's; 5 steps; 1000 pixels wide; light, unless told)"""
import sys
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.wait import WebDriverWait

page, picture = sys.argv[1:3]
height, steps, width = (int(sys.argv[i]) if len(sys.argv) > i else default
                        for i, default in ((3, 432), (4, 5), (5, 1000)))
scheme = sys.argv[6] if len(sys.argv) > 6 else "light"
phone = width < 1000

options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--hide-scrollbars"):
    options.add_argument(argument)
browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                        {"width": width, "height": height, "deviceScaleFactor": 3 if phone else 1,
                         "mobile": phone})
browser.execute_cdp_cmd("Emulation.setEmulatedMedia",
                        {"features": [{"name": "prefers-color-scheme", "value": scheme}]})
browser.get(Path(page).resolve().as_uri())
for _ in range(steps):  # "Следующий шаг" has the focus: Return steps
    browser.switch_to.active_element.send_keys(Keys.RETURN)
# Shot once every step is in the memo and the diagram's surroundings caught up.
WebDriverWait(browser, 10).until(lambda browser: browser.execute_script(
    "return document.getElementById('Memo1').value.trim().split(/ +/).length") == steps)
time.sleep(0.5)
browser.save_screenshot(picture)
browser.quit()
print("wrote", picture)
