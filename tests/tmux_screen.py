"""What the end-to-end drivers of the real hosts (far2l, FAR 3) share: a host
running in a tmux server of its own, read by its screen, and the helpers that
judge the screen and lay out the files."""
import os, shutil, signal, subprocess, time


class Failure(Exception):
    pass


def check(cond, what):
    if not cond:
        raise Failure(what)


class TmuxScreen:
    """A tmux server on the socket self.sock; the host's keys go in, its screen comes out."""

    WAIT = 15  # seconds a wait gives the screen by default

    def tmux(self, *args):
        return subprocess.run(["tmux", "-S", self.sock] + list(args), check=True,
                              capture_output=True, text=True).stdout

    def type(self, text):
        self.tmux("send-keys", "-l", text)

    def screen(self):
        self.last = self.tmux("capture-pane", "-p")
        return self.last

    def wait(self, want, timeout=None):
        test = want if callable(want) else (lambda s: want in s)
        timeout = timeout or self.WAIT
        end = time.time() + timeout
        while time.time() < end:
            if test(self.screen()):
                return self.last
            time.sleep(0.1)
        raise Failure("waited %ds for %r" % (timeout, want if isinstance(want, str) else "the screen"))


def box(screen, title):
    """The lines of the box whose top border carries Title, border to border."""
    lines = screen.splitlines()
    top = next((i for i, l in enumerate(lines) if " %s " % title in l and "╔" in l), None)
    check(top is not None, "no box %r on the screen" % title)
    left = lines[top].index("╔")
    right = lines[top].index("╗", left)
    out = []
    for l in lines[top:]:
        out.append(l[left:right + 1])
        if l[left] == "╚":
            return out
    raise Failure("box %r has no bottom" % title)


def put(directory, files):
    for name, data in files.items():
        path = os.path.join(directory, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def run_scenario(far, scenario, name, limit, root):
    """Runs one scenario within Limit seconds; 0 when it passed, else 1 with
    the last screen printed. The host is stopped and Root removed either way."""
    def overrun(*_):
        raise Failure("over the time limit of %ds" % limit)
    signal.signal(signal.SIGALRM, overrun)
    signal.alarm(limit)
    try:
        scenario(far)
        print("%s: passed" % name)
        return 0
    except Exception as e:  # a failure of any kind keeps the last screen in the log
        print("%s: FAILED: %s: %s\n--- last screen ---\n%s" % (name, type(e).__name__, e,
                                                             getattr(far, "last", "(none)")))
        return 1
    finally:
        signal.alarm(0)
        far.stop()
        shutil.rmtree(root, ignore_errors=True)
