#!/usr/bin/env python3
"""The web page in headless Chromium after some steps of the bundled example (5
unless told), as a picture, the top HEIGHT pixels of it (432: the form):
web_screenshot.py PAGE PICTURE [HEIGHT [STEPS]]"""
import sys
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.keys import Keys

options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--hide-scrollbars"):
    options.add_argument(argument)
browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                        {"width": 1000, "height": int(sys.argv[3]) if len(sys.argv) > 3 else 432, "deviceScaleFactor": 1, "mobile": False})
browser.get(Path(sys.argv[1]).resolve().as_uri())
steps = int(sys.argv[4]) if len(sys.argv) > 4 else 5
for _ in range(steps):  # "Следующий шаг" has the focus: Return steps
    browser.switch_to.active_element.send_keys(Keys.RETURN)
browser.save_screenshot(sys.argv[2])
browser.quit()
print("wrote", sys.argv[2])
