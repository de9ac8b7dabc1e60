#!/usr/bin/python3
"""The service's console page in headless Chromium: /usr/bin/python3 console_test.py PATH/TO/dru

Runs `dru serve --preview` and checks what a technician does: the token asked for (again when
refused), the status, an X reading in the journal under one key, a lost answer sent again under
its key and printed once, roll and log set as text, the Z only after its confirmation, the token
forgotten, no console in another site's frame. Exit 0: passed; 1: failed (says which); 77:
Chromium, its driver or Selenium is missing (says which).
"""

import ctypes, json, os, re, shutil, signal, subprocess, sys, tempfile, time, urllib.request

SKIP = 77
WAIT_S = 30           # bound on every wait; preview documents end at once
PR_SET_PDEATHSIG = 1  # the service gets SIGTERM if this test dies first
EXAMPLE_SALE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../examples/sale.json")
MARKUP_NAME = "<b id=injected>CAFE</b>"

# Records each POST the page sends (URL, Idempotency-Key); with loseAnswer set, the next POST
# reaches the service but its answer is lost as on a broken connection.
FETCH_SPY = """
window.consolePosts = []; window.loseAnswer = false;
const realFetch = window.fetch;
window.fetch = async (url, options) => {
  if (!options || options.method !== "POST") return realFetch(url, options);
  window.consolePosts.push({url: String(url), key: options.headers["Idempotency-Key"]});
  const answer = await realFetch(url, options);
  if (!window.loseAnswer) return answer;
  window.loseAnswer = false;
  throw new TypeError("the connection broke before the answer came");
};"""


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def browser_tools():
    """Chromium and its driver, or exit 77 saying what is missing."""
    chromium, driver = shutil.which("chromium"), shutil.which("chromedriver")
    missing = ([] if chromium else ["chromium not found"]) + \
              ([] if driver else ["chromedriver not found (package chromium-driver)"])
    try:
        import selenium  # noqa: F401
    except ImportError as error:
        missing.append(f"{sys.executable} cannot import Selenium ({error}; package python3-selenium)")
    if missing:
        print("browser console test skipped: " + "; ".join(missing), flush=True)
        sys.exit(SKIP)
    return chromium, driver


def start_service(dru, folder):
    """`dru serve` and the address of its line 'listening on http://HOST:PORT (token in ...)'."""
    output = open(os.path.join(folder, "serve.out"), "w+")
    service = subprocess.Popen(
        [dru, "serve", "--preview", "--listen", "127.0.0.1:0", "--data-dir", folder + "/serve"],
        stdout=output, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
        preexec_fn=lambda: ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGTERM))
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline and service.poll() is None:
        found = re.search(r"listening on (http://\S+)", open(output.name).read())
        if found:
            return service, found.group(1)
        time.sleep(0.05)
    service.kill()
    raise Failure(f"dru serve did not say where it listens: " + open(output.name).read())


class Api:
    """The service's own answers, to compare the page with."""

    def __init__(self, url, token):
        self.url, self.token = url, token

    def call(self, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        request = urllib.request.Request(self.url + path, data=data, headers={"Authorization": "Bearer " + self.token})
        with urllib.request.urlopen(request, timeout=WAIT_S) as answer:
            return json.load(answer)

    def jobs(self, operation):
        return [j for j in self.call("/v1/jobs?limit=50")["jobs"] if j["operation"] == operation]


class Page:
    def __init__(self, chromium, driver, profile):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service as DriverService
        from selenium.webdriver.support.ui import WebDriverWait

        options = webdriver.ChromeOptions()
        options.binary_location = chromium
        for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                         "--user-data-dir=" + profile):
            options.add_argument(argument)
        self.browser = webdriver.Chrome(service=DriverService(executable_path=driver), options=options)
        self.browser.set_page_load_timeout(WAIT_S)
        self.wait = WebDriverWait(self.browser, WAIT_S)

    def find(self, id_):
        return self.browser.find_element("id", id_)

    def text(self, id_):
        return self.find(id_).get_property("textContent")

    def shown(self, id_):
        return self.find(id_).is_displayed()

    def run(self, script):
        return self.browser.execute_script(script)

    def until(self, what, condition):
        from selenium.common.exceptions import TimeoutException
        try:
            self.wait.until(lambda _: condition())
        except TimeoutException:
            said = self.run("return [...document.querySelectorAll('#message, #connection, #login-message')]"
                            ".map((e) => e.id + ': ' + e.textContent).join('; ');")
            raise Failure(f"waited {WAIT_S} s for {what}; the page says {said!r}")

    def enter_token(self, token):
        self.until("the token form", lambda: self.shown("token-input"))
        self.find("token-input").clear()
        self.find("token-input").send_keys(token)
        self.find("token-save").click()

    def journal(self):
        """The journal's rows as shown: operation and verdict kind."""
        return self.run("""return [...document.querySelectorAll("#journal tbody tr[data-key]")].map(
            (tr) => [tr.querySelector(".operation").textContent,
                     (tr.querySelector(".verdict .kind") || {}).textContent]);""")

    def posts(self):
        return self.run("return window.consolePosts;")


def run_checks(page, api):
    # A sale whose product name looks like markup, for the roll below.
    with open(EXAMPLE_SALE) as file:
        sale = json.load(file)
    sale["cdsVendas"][0]["NMPRODUTO"] = MARKUP_NAME
    check(api.call("/v1/sale", sale)["verdict"]["kind"] == "confirmed", "the sale was not confirmed")

    # The token: asked for, asked again when refused.
    page.browser.get(api.url + "/")
    check(not page.shown("console"), "the console is shown before a token was given")
    page.enter_token("0" * 32)
    page.until("the page to ask again after a wrong token",
               lambda: page.shown("token-input") and "refused" in page.text("login-message"))
    page.enter_token(api.token)

    # The printer's status.
    status = api.call("/v1/status")
    printer = status["printer"]
    page.until("the printer's status", lambda: page.text("status-type") == str(printer["type"])
               and page.text("status-port").startswith(printer["port"]))
    check(page.text("status-simulator").startswith("yes"), "the simulator is not shown as one")
    check(status["service"]["version"] in page.text("status-service"), "the version is not shown")

    # An X reading from its button: one POST, a valid key, one job in the journal.
    page.run(FETCH_SPY)
    page.find("btn-x").click()
    page.until("an X reading confirmed in the journal", lambda: ["x", "confirmed"] in page.journal())
    posts = page.posts()
    check(len(posts) == 1 and posts[0]["url"] == "/v1/x", f"the X button sent {posts}, not one POST /v1/x")
    key = posts[0]["key"] or ""
    check(re.fullmatch(r"[A-Za-z0-9_-]{1,128}", key), f"the X button's key {key!r} is not valid")
    check([j["key"] for j in api.jobs("x")] == [key], f"the journal's X jobs are {api.jobs('x')}, not {key}")
    page.until("the X reading's verdict", lambda: "X reading: confirmed" in page.text("message"))
    check("Printing: nothing" in page.text("queue"), f"the queue shows {page.text('queue')!r}")

    # A lost answer: sent again under the same key, the drawer opened once.
    page.run("window.consolePosts = []; window.loseAnswer = true;")
    page.find("btn-drawer").click()
    page.until("the drawer's answer after a lost one", lambda: "Open drawer: confirmed" in page.text("message"))
    posts = page.posts()
    check(len(posts) == 2 and posts[0] == posts[1], f"a lost answer was sent again as {posts}")
    check(len(api.jobs("drawer")) == 1, f"the drawer was opened {len(api.jobs('drawer'))} times")
    check("not run again" in page.text("message"), "the replayed answer is not shown as one")

    # The roll and the log, set as text, never as markup.
    paper = api.call("/v1/paper")["paper"]
    check(MARKUP_NAME in paper, "the sale's product is not on the simulator's roll")
    page.until("the paper roll", lambda: page.shown("paper") and page.text("paper") == paper)
    elements = page.run("return document.querySelectorAll('#injected, #paper *, #log *, #message *').length;")
    check(elements == 0, "text from the service became elements of the page")
    log = api.call("/v1/log?lines=100")["lines"]
    check(log, "the service's debug log is empty after two documents")
    page.until("the debug log's tail", lambda: log[-1] in page.text("log"))

    # The Z: asks first; Cancel posts nothing.
    page.find("btn-z").click()
    check(page.shown("z-confirm"), "the Z button does not ask for a confirmation")
    page.find("btn-z-cancel").click()
    check(not page.shown("z-confirm"), "the Z confirmation stays after Cancel")
    posted = [p for p in page.posts() if p["url"] == "/v1/z"] + api.jobs("z")
    check(not posted, f"a Z reduction was posted without the confirmation: {posted}")

    # The token forgotten.
    page.find("token-forget").click()
    page.until("the token form after 'forget token'", lambda: page.shown("token-input"))
    check(page.run("return localStorage.length;") == 0, "the token is still stored after 'forget token'")

    # Not inside another site's frame: framed from another origin (localhost, which a local page
    # may frame), the browser shows its own error page instead.
    page.browser.get(api.url.replace("127.0.0.1", "localhost") + "/")
    page.run(f"const f = document.createElement('iframe'); f.id = 'framed'; f.src = '{api.url}/';"
             "document.body.append(f);")
    page.browser.switch_to.frame("framed")
    page.until("the frame to load", lambda: page.run("return document.readyState;") == "complete")
    check(not page.browser.find_elements("id", "btn-x"), "the console's buttons work inside a frame")


def main():
    if len(sys.argv) != 2:
        print("usage: console_test.py PATH/TO/dru", file=sys.stderr)
        return 1
    chromium, driver = browser_tools()
    service = page = None
    with tempfile.TemporaryDirectory(prefix="dru-console-") as folder:
        try:
            service, url = start_service(sys.argv[1], folder)
            with open(folder + "/serve/token") as file:
                api = Api(url, file.read().strip())
            page = Page(chromium, driver, folder + "/profile")
            run_checks(page, api)
        except Exception as failure:  # a failed check, or the browser or the service broke down
            kind = "" if isinstance(failure, Failure) else type(failure).__name__ + ": "
            print(f"FAILED: {kind}{failure}\nThe service's output:\n" + open(folder + "/serve.out").read())
            return 1
        finally:
            if page:
                page.browser.quit()
            if service:
                service.terminate()
                service.wait(timeout=10)
    print("The console works in Chromium.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
