#!/usr/bin/python3
"""The teachers' console in a real browser: Debian's chromium driven by chromium-driver and
Selenium, against the shipped server behind scripts/serve (nginx with TLS). A class is
filled through the game's own requests; then a teacher signs in, reads the class page,
downloads the class's CSV file and parses it, resets a student's password and the game's
district check takes the new one, exports a student's data and deletes a student; and the
console refuses what it must.

    console_browser_test.py SERVER SERVE_SCRIPT [--screenshots FOLDER]

With --screenshots it takes pictures of the console's pages for the documents instead of
failing on the first wrong check."""

import csv
import functools
import http.server
import io
import json
import os
import socket
import sqlite3
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.common.by import By

SERVER, SERVE = sys.argv[1], sys.argv[2]
SHOTS = sys.argv[4] if len(sys.argv) > 4 and sys.argv[3] == "--screenshots" else None
TEACHER, PASSWORD = "ms.lind", "seven A all year"
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def wait_for(condition, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    return condition()


work = tempfile.mkdtemp(prefix="dovrix-console-browser-")
db = os.path.join(work, "accounts.sqlite")
downloads = os.path.join(work, "downloads")
os.mkdir(downloads)
subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                "-nodes", "-keyout", "server.key", "-out", "server.pem", "-days", "2", "-subj",
                "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"],
               cwd=work, check=True, capture_output=True)
with open(os.path.join(work, "students.csv"), "w") as f:
    f.write("username,password,class\nanna,pw-anna,7A\n<b>bo</b>,pw-bo,7A\n"
            "=HYPERLINK(\"http://x\"),pw-eq,7A\ncleo,pw-cleo,7A\ndi,pw-di,7B\n")
subprocess.run([SERVER, "import-students", os.path.join(work, "students.csv"), "--db", db],
               check=True, capture_output=True)
subprocess.run([SERVER, "add-teacher", TEACHER, "--classes", "7A", "--db", db],
               input=PASSWORD + "\n", text=True, check=True, capture_output=True)

# A port held bound (not listening) for nginx, which takes it with SO_REUSEADDR.
held = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
held.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
held.bind(("0.0.0.0", 0))
port = held.getsockname()[1]
log = open(os.path.join(work, "serve.log"), "w+")
serve = subprocess.Popen([SERVE, "--port", str(port), "--db", db, "--tls-cert",
                          os.path.join(work, "server.pem"), "--tls-key",
                          os.path.join(work, "server.key"), "--server", SERVER],
                         stdout=subprocess.PIPE, stderr=log, text=True)
base = f"https://127.0.0.1:{port}/"
line = serve.stdout.readline().strip()
assert line == "listening on " + base, line
tls = ssl.create_default_context(cafile=os.path.join(work, "server.pem"))


# Another origin on the same host, as another of the school's services would be: its page
# posts a form to the console.
elsewhere = os.path.join(work, "elsewhere")
os.mkdir(elsewhere)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *_):
        pass


other = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                        functools.partial(QuietHandler, directory=elsewhere))
other_tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
other_tls.load_cert_chain(os.path.join(work, "server.pem"), os.path.join(work, "server.key"))
other.socket = other_tls.wrap_socket(other.socket, server_side=True)
threading.Thread(target=other.serve_forever, daemon=True).start()
other_base = f"https://127.0.0.1:{other.server_address[1]}/"


def game(query):
    """One request as the game sends it, through nginx and TLS."""
    try:
        with urllib.request.urlopen(base + "dovrix/account?" + query, context=tls) as reply:
            return reply.read().decode()
    except urllib.error.HTTPError as error:
        return error.read().decode()


# The class plays: at school without a password, and Cleo at home with hers.
for query in ["o=qel&u=anna&p=", "o=update&u=anna&p=&l=9", "o=qel&u=%3Cb%3Ebo%3C%2Fb%3E&p=",
              "o=update&u=%3Cb%3Ebo%3C%2Fb%3E&p=&l=3", "o=vorna&u=cleo&p=pw-cleo",
              "o=halvern&u=cleo&p=pw-cleo", "o=update&u=cleo&p=pw-cleo&l=101",
              "o=qel&u=di&p=", "o=update&u=di&p=&l=40"]:
    game(query)

options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ["--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1200,900"]:
    options.add_argument(argument)
options.accept_insecure_certs = True
options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                          "download.prompt_for_download": False})
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"),
                          options=options)
console = base + "dovrix/console/"


def shot(name, width=1200):
    if SHOTS:
        driver.set_window_size(width, 900)
        height = driver.execute_script("return document.documentElement.scrollHeight")
        driver.set_window_size(width, min(max(height + 120, 400), 2400))
        driver.save_screenshot(os.path.join(SHOTS, f"console-{name}.png"))
        driver.set_window_size(1200, 900)


def heading_is(expected):
    """Whether the page's heading reads expected, once the page a click led to has loaded.

    Right after a click the old page may still be there, or go while its heading is read:
    the heading found is then stale, or its node no longer belongs to the document."""
    def reads():
        try:
            found = driver.find_elements(By.TAG_NAME, "h1")
            return bool(found) and found[0].text == expected
        except WebDriverException:
            return False
    return wait_for(reads)


def sign_in(name, password):
    driver.get(console)
    driver.find_element(By.ID, "name").send_keys(name)
    driver.find_element(By.ID, "password").send_keys(password)
    driver.find_element(By.CSS_SELECTOR, "form.stacked button").click()


def shows(text):
    """Whether the page shows the text, once the page a form was sent to has loaded."""
    return wait_for(lambda: text in driver.page_source)


def downloaded(suffix):
    def found():
        names = [n for n in os.listdir(downloads) if n.endswith(suffix)]
        return os.path.join(downloads, names[0]) if names else None
    return wait_for(found)


try:
    driver.get(console)
    check(heading_is("Sign in"), "the console starts at its sign-in page")
    shot("sign-in")
    sign_in(TEACHER, "not the password")
    check(shows("The name or the password is not right."), "a wrong password is refused")
    sign_in(TEACHER.upper(), PASSWORD)
    check(heading_is("Classes"), "the teacher signs in")
    shot("classes")

    driver.find_element(By.LINK_TEXT, "7A").click()
    check(heading_is("Class 7A"), "the class page opens")
    rows = {r.find_element(By.TAG_NAME, "th").text: [c.text for c in r.find_elements(By.TAG_NAME, "td")]
            for r in driver.find_elements(By.CSS_SELECTOR, "table.students tbody tr")}
    check(rows.get("anna", [""])[0] == "9" and rows.get("cleo", [""])[0] == "all 100 beaten",
          "each student's level reached: " + repr(rows))
    check(rows.get("anna", ["", ""])[1] == "8", "levels reached this week")
    check("<b>bo</b>" in rows and not driver.find_elements(By.CSS_SELECTOR, "table.students b"),
          "a name with markup is shown as text")
    check(len(driver.find_elements(By.CSS_SELECTOR, "svg.spread rect.bar")) == 4,
          "the class's spread is drawn as a picture")
    driver.find_element(By.LINK_TEXT, "Level reached").click()
    driver.find_element(By.LINK_TEXT, "Level reached").click()
    first = driver.find_element(By.CSS_SELECTOR, "table.students tbody tr th").text
    check(first == "cleo", "sorted by level, highest first")
    shot("class")
    shot("class-phone", 390)

    driver.find_element(By.PARTIAL_LINK_TEXT, "Download this class as CSV").click()
    path = downloaded(".csv")
    check(path is not None, "the class's CSV file downloads")
    with open(path, newline="", encoding="utf-8-sig") as f:
        table = list(csv.DictReader(f))
    by_name = {row["Student"]: row for row in table}
    check(len(table) == 4 and by_name["anna"]["Level reached"] == "9", "the CSV file parses")
    check("'=HYPERLINK(\"http://x\")" in by_name, "a cell starting with = is neutralised")

    driver.get(console + "students/anna")
    driver.find_element(By.LINK_TEXT, "Reset the school password").click()
    driver.find_element(By.ID, "password").send_keys("anna-new-1")
    driver.find_element(By.ID, "again").send_keys("anna-new-1")
    driver.find_element(By.CSS_SELECTOR, "form.stacked button").click()
    check(shows("holds from anna's next login"), "the password is reset")
    check(game("o=vorna&u=anna&p=anna-new-1") == "9", "the district check takes the new password")
    check(game("o=vorna&u=anna&p=pw-anna") == "Invalid Username and/or Password",
          "and no longer the old one")
    shot("student")

    driver.find_element(By.PARTIAL_LINK_TEXT, "Export everything").click()
    shot("export")
    driver.find_element(By.CSS_SELECTOR, "form.stacked button").click()
    path = downloaded(".json")
    with open(path) as f:
        data = json.load(f)
    check(data["class"] == "7A" and data["gameAccount"]["levelReached"] == 9 and
          len(data["levelsReached"]) == 8, "the student's data exports as one file")

    driver.get(console + "students/" + urllib.parse.quote("<b>bo</b>", safe="") + "/delete")
    shot("delete")
    driver.find_element(By.ID, "confirm").send_keys("<b>bo</b>")
    driver.find_element(By.CSS_SELECTOR, "form.stacked button").click()
    check(heading_is("Deleted"), "the student is deleted")
    check(game("o=qel&u=%3Cb%3Ebo%3C%2Fb%3E&p=") == "Invalid Username and/or Password",
          "and is gone from the student list")
    driver.get(console + "pars")
    shot("pars")

    # The refusals.
    driver.get(console + "students/di")
    theirs = driver.page_source
    driver.get(console + "students/nobody")
    check(heading_is("Not found") and driver.page_source == theirs,
          "another class's student answers as an unknown one")
    driver.get(console + "students/anna/password")
    driver.execute_script("document.querySelector('form.stacked input[name=form-token]').remove()")
    driver.find_element(By.ID, "password").send_keys("anna-new-2")
    driver.find_element(By.ID, "again").send_keys("anna-new-2")
    driver.find_element(By.CSS_SELECTOR, "form.stacked button").click()
    check(heading_is("Form expired"), "a form without its token is refused")
    check(game("o=vorna&u=anna&p=anna-new-1") == "9", "and changes nothing")

    # The other origin's page, even knowing the session's form token, changes nothing.
    driver.get(console + "students/anna/password")
    token = driver.find_element(By.CSS_SELECTOR, "form.stacked input[name=form-token]")
    with open(os.path.join(elsewhere, "index.html"), "w") as f:
        f.write(f'<form method="post" action="{console}students/anna/password">'
                f'<input type="hidden" name="form-token" value="{token.get_attribute("value")}">'
                '<input type="hidden" name="password" value="anna-new-3">'
                '<input type="hidden" name="again" value="anna-new-3">'
                '<button type="submit">Send</button></form>')
    driver.get(other_base)
    driver.find_element(By.TAG_NAME, "button").click()
    check(heading_is("Not sent from the console"), "a form from another origin is refused")
    check(game("o=vorna&u=anna&p=anna-new-1") == "9", "and changes nothing")

    cookie = driver.get_cookie("__Host-dovrix-console")
    check(cookie and cookie["secure"] and cookie["httpOnly"] and cookie["sameSite"] == "Strict",
          "the session cookie is Secure, HttpOnly, SameSite=Strict")
    driver.get(console)
    driver.find_element(By.CSS_SELECTOR, "form.sign-out button").click()
    check(heading_is("Sign in"), "the teacher signs out")
    driver.add_cookie({"name": cookie["name"], "value": cookie["value"], "path": "/",
                       "secure": True, "httpOnly": True, "sameSite": "Strict"})
    driver.get(console + "classes/7a")
    check(heading_is("Sign in"), "the session is over after sign-out")

    sign_in(TEACHER, PASSWORD)
    check(heading_is("Classes"), "the teacher signs in again")
    with sqlite3.connect(db) as database:
        database.execute("UPDATE console_sessions SET used_at = used_at - 1801")
    driver.get(console + "classes/7a")
    check(heading_is("Sign in"), "a session unused for 30 minutes has expired")
finally:
    driver.quit()
    other.shutdown()
    serve.terminate()
    serve.wait(10)
    held.close()

log.seek(0)
text = log.read()
for line in ["console: failed sign-in as \\\"ms.lind\\\" from 127.0.0.1",
             "console: sign-in of teacher ms.lind from 127.0.0.1",
             "console: password reset of student anna by teacher ms.lind",
             "console: export of student anna by teacher ms.lind",
             "console: deletion of student <b>bo</b> by teacher ms.lind"]:
    check(line.replace("\\\"", "\"") in text, "the log has: " + line)
check(PASSWORD not in text and "anna-new-1" not in text, "the log has no password")
subprocess.run(["rm", "-rf", work])
if failures and not SHOTS:
    print(f"{len(failures)} failed")
    sys.exit(1)
print("all checks passed" if not failures else f"{len(failures)} checks failed")
