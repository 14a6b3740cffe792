#!/usr/bin/env python3
"""Drives the show's web page in headless Chromium over the DevTools protocol.

    page_check.py URL OUTDIR play       asks, answers with Return, plays, ends
                                         with Escape held, plays again
    page_check.py URL OUTDIR end        answers with Return and waits for the
                                         script's End to bring the end card
    page_check.py URL OUTDIR boxes FILE answers with Return, then each box
                                         with Return until the end card; their
                                         texts, a line after each, are FILE
    page_check.py URL OUTDIR exact T... the frame held at each ?t=T, written
                                         to OUTDIR/web-T.png

Screenshots of the played shows go to OUTDIR as well (playing.png,
playing-again.png, new-show.png), for the caller to look at. Every step says what it saw on standard output. Exit status 0 when every
step saw what it waited for and the page threw no uncaught error, 1
otherwise. Only the standard library: a small WebSocket client is enough.
"""
import base64
import json
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request

CHROMIUM = os.environ.get("CHROMIUM", "/usr/bin/chromium")
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader",
         "--disable-quic", "--no-first-run", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--window-size=800,600",
         "--remote-debugging-port=0", "--remote-allow-origins=*"]


class Failure(Exception):
    pass


class DevTools:
    """One page target's WebSocket: requests and the events between them."""

    def __init__(self, url):
        host, port, path = re.match(r"ws://([^:/]+):(\d+)(/.*)", url).groups()
        self.sock = socket.create_connection((host, int(port)), timeout=120)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET {path} HTTP/1.1\r\nHost: {host}:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        reply = b""
        while b"\r\n\r\n" not in reply:
            reply += self.sock.recv(4096)
        if b" 101 " not in reply.split(b"\r\n")[0]:
            raise Failure("DevTools refused the WebSocket: " + reply.decode(errors="replace"))
        self.buffer = reply.split(b"\r\n\r\n", 1)[1]
        self.next_id = 0
        self.errors = []

    def _read(self, count):
        while len(self.buffer) < count:
            chunk = self.sock.recv(1 << 16)
            if not chunk:
                raise Failure("DevTools closed the connection")
            self.buffer += chunk
        data, self.buffer = self.buffer[:count], self.buffer[count:]
        return data

    def _message(self):
        payload = b""
        while True:
            first, second = self._read(2)
            length = second & 0x7F
            if length == 126:
                length = struct.unpack(">H", self._read(2))[0]
            elif length == 127:
                length = struct.unpack(">Q", self._read(8))[0]
            payload += self._read(length)
            if first & 0x80:
                return json.loads(payload)

    def _send(self, text):
        data = text.encode()
        header = bytes([0x81])
        if len(data) < 126:
            header += bytes([0x80 | len(data)])
        elif len(data) < 1 << 16:
            header += bytes([0x80 | 126]) + struct.pack(">H", len(data))
        else:
            header += bytes([0x80 | 127]) + struct.pack(">Q", len(data))
        mask = os.urandom(4)
        self.sock.sendall(header + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(data)))

    def _note(self, event):
        method, params = event.get("method"), event.get("params", {})
        if method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            text = details.get("exception", {}).get("description") or details.get("text")
            self.errors.append("uncaught: " + str(text))
            print("page: uncaught error:", text)
        elif method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            print(f"page console.{params['type']}: {text}")
        elif method == "Log.entryAdded":
            entry = params["entry"]
            print(f"page log ({entry['level']}): {entry['text']}")

    def call(self, method, **params):
        self.next_id += 1
        self._send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = self._message()
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise Failure(f"{method}: {message['error']}")
                return message.get("result", {})
            self._note(message)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return result.get("result", {}).get("value")

    def wait_for(self, expression, what, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                print(f"saw {what}")
                return value
            time.sleep(0.25)
        raise Failure(f"waited {seconds} s for {what}")

    def key(self, name, code, up=True):
        key = {"key": name, "code": name, "windowsVirtualKeyCode": code, "nativeVirtualKeyCode": code}
        self.call("Input.dispatchKeyEvent", type="keyDown", **key, **({"text": "\r"} if code == 13 else {}))
        if up:
            self.call("Input.dispatchKeyEvent", type="keyUp", **key)

    def screenshot(self, path):
        shot = self.call("Page.captureScreenshot", format="png",
                         clip={"x": 0, "y": 0, "width": 800, "height": 600, "scale": 1})
        with open(path, "wb") as out:
            out.write(base64.b64decode(shot["data"]))
        print("wrote", path)


def start_browser(profile):
    browser = subprocess.Popen([CHROMIUM, *FLAGS, f"--user-data-dir={profile}", "about:blank"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 60
    for line in browser.stderr:
        found = re.search(r"DevTools listening on ws://[^:]+:(\d+)/", line)
        if found:
            break
        if time.monotonic() > deadline:
            raise Failure("Chromium did not open its DevTools port")
    else:
        raise Failure("Chromium ended before it opened its DevTools port")
    port = found.group(1)
    # The rest of its messages go nowhere, so that it never blocks on them.
    subprocess.Popen(["cat"], stdin=browser.stderr, stdout=subprocess.DEVNULL)
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list") as answer:
        pages = [t for t in json.load(answer) if t["type"] == "page"]
    devtools = DevTools(pages[0]["webSocketDebuggerUrl"])
    for domain in ("Runtime", "Page", "Log"):
        devtools.call(f"{domain}.enable")
    devtools.call("Emulation.setDeviceMetricsOverride", width=800, height=600, deviceScaleFactor=1,
                  mobile=False)
    return browser, devtools


def open_page(devtools, url):
    devtools.call("Page.navigate", url=url)
    devtools.wait_for("document.readyState === 'complete'", "the page loaded", 60)


BOX_OPEN = "document.getElementById('box').open"
BOXES = "Number(document.body.dataset.boxes)"
END_CARD = "!document.getElementById('end').hidden"


def answer_question(devtools):
    devtools.wait_for(BOX_OPEN, "a box", 120)
    caption = devtools.evaluate("document.getElementById('box-caption').textContent")
    text = devtools.evaluate("document.getElementById('box-text').textContent")
    buttons = devtools.evaluate(
        "[...document.querySelectorAll('#box button')].filter(b => !b.hidden).map(b => b.textContent)")
    focused = devtools.evaluate("document.activeElement.textContent")
    print(f"box: {caption!r} {text!r} buttons {buttons} focus {focused!r}")
    if (caption, text, buttons, focused) != ("Fullscreen", "Fullscreen?", ["Yes", "No"], "No"):
        raise Failure("the first box is not the question \"Fullscreen?\" with No the default")
    devtools.key("Enter", 13)
    devtools.wait_for(f"!{BOX_OPEN} || {BOXES} > 1", "Return answer the question", 10)
    if devtools.evaluate("document.fullscreenElement !== null"):
        raise Failure("Return answered Yes: the page went full screen")


def wait_for_playing(devtools, seconds, shot):
    """Waits for the show to start after its loading screen, with its sound
    running, and takes a screenshot of its frames a few seconds on."""
    devtools.wait_for("document.body.dataset.playing", "the show start", seconds)
    devtools.wait_for("Module.SDL2 && Module.SDL2.audioContext && "
                      "Module.SDL2.audioContext.state === 'running'", "the sound running", 10)
    time.sleep(4)
    devtools.screenshot(shot)


def play(devtools, url, outdir):
    open_page(devtools, url)
    answer_question(devtools)
    wait_for_playing(devtools, 120, os.path.join(outdir, "playing.png"))
    # Escape held down ends the show.
    devtools.key("Escape", 27, up=False)
    devtools.wait_for(END_CARD, "the end card after Escape", 60)
    devtools.call("Input.dispatchKeyEvent", type="keyUp", key="Escape", code="Escape",
                  windowsVirtualKeyCode=27)
    label = devtools.evaluate("document.getElementById('again').textContent")
    if label != "Play again":
        raise Failure(f"the end card's button says {label!r}")
    devtools.key("Enter", 13)
    devtools.wait_for(f"!({END_CARD})", "Play again start the show", 10)
    wait_for_playing(devtools, 120, os.path.join(outdir, "playing-again.png"))


def end(devtools, url, outdir):
    open_page(devtools, url)
    answer_question(devtools)
    wait_for_playing(devtools, 120, os.path.join(outdir, "new-show.png"))
    devtools.wait_for(END_CARD, "the end card at the script's End", 180)


def boxes(devtools, url, expected_path):
    """Answers every box after the question with Return until the end card
    comes, and holds their texts against the file's, one box after another."""
    open_page(devtools, url)
    answer_question(devtools)
    texts = []
    while True:
        # The next box may open as the last one closes.
        which = devtools.wait_for(f"{BOX_OPEN} && {BOXES} > {len(texts) + 1} ? 'box' : "
                                  f"({END_CARD}) ? 'end' : ''", "a box or the end card", 120)
        if which == "end":
            break
        texts.append(devtools.evaluate("document.getElementById('box-text').textContent"))
        devtools.key("Enter", 13)
    with open(expected_path, encoding="utf-8") as expected_file:
        expected = expected_file.read()
    seen = "".join(text + "\n" for text in texts)
    if seen != expected:
        raise Failure(f"the boxes said {seen!r}, not {expected!r}")


def exact(devtools, url, outdir, times):
    for t in times:
        open_page(devtools, f"{url}?t={t}")
        held = devtools.wait_for("document.body.dataset.heldFrame", f"the frame at {t} ms held", 180)
        if devtools.evaluate(BOX_OPEN):
            raise Failure("a box opened: " + str(devtools.evaluate(
                "document.getElementById('box-text').textContent")))
        print(f"frame held at show time {held} ms")
        devtools.screenshot(os.path.join(outdir, f"web-{t}.png"))


def main():
    if len(sys.argv) < 4 or sys.argv[3] not in ("play", "end", "boxes", "exact"):
        print(__doc__, file=sys.stderr)
        return 2
    url, outdir, scenario = sys.argv[1:4]
    profile = tempfile.mkdtemp(prefix="show-web-chromium-")
    browser = None
    try:
        browser, devtools = start_browser(profile)
        if scenario == "play":
            play(devtools, url, outdir)
        elif scenario == "end":
            end(devtools, url, outdir)
        elif scenario == "boxes":
            boxes(devtools, url, sys.argv[4])
        else:
            exact(devtools, url, outdir, sys.argv[4:])
        devtools.evaluate("0")  # the events still on their way
        if devtools.errors:
            raise Failure("the page threw uncaught errors: " + "; ".join(devtools.errors))
        print("page_check: ok")
        return 0
    except Failure as failure:
        print("page_check:", failure)
        return 1
    finally:
        if browser:
            browser.terminate()
            browser.wait()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
