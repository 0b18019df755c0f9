#!/usr/bin/env python3
"""Runs a program on a pseudo-terminal, as a user at a console would, for the end-to-end tests.

  on_terminal.py [--input TEXT] [--timeout S] [--env NAME=VALUE]...
                 [--stop-with ctrl-c|SIGTERM] [--stop-when-exists GLOB] [--stop-on-text TEXT]
                 [--plant PATH] -- PROGRAM ARG...

The program's standard streams are the terminal. --input is typed once the program starts. A
stop is sent once a file matching GLOB exists or the terminal shows TEXT: Ctrl+C is typed (the
terminal sends SIGINT), or SIGTERM is sent; --plant writes a file at that moment. A program
still running after the timeout (a prompt that blocks) is killed.

Prints "status=N" (the exit status; -S when a signal S ended it; "timeout" when it was killed),
"stopped=0|1" (after a stop, a blank and the seconds from the stop to the program's end), then
everything the terminal received.
"""
import argparse
import glob
import os
import pty
import select
import signal
import sys
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--input", default="")
    parser.add_argument("--timeout", type=float, default=60.0)
    parser.add_argument("--env", action="append", default=[])
    parser.add_argument("--stop-with", choices=("ctrl-c", "SIGTERM"))
    parser.add_argument("--stop-when-exists")
    parser.add_argument("--stop-on-text")
    parser.add_argument("--plant")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    command = options.command[1:] if options.command[:1] == ["--"] else options.command
    environment = dict(os.environ)
    for entry in options.env:
        name, _, value = entry.partition("=")
        environment[name] = value

    pid, fd = pty.fork()
    if pid == 0:
        os.execve(command[0], command, environment)
    if options.input:
        os.write(fd, options.input.encode())
    out = b""
    stopped = False
    stopped_at = 0.0
    deadline = time.monotonic() + options.timeout
    timed_out = False
    while True:
        if not stopped and options.stop_with:
            due = (options.stop_when_exists and glob.glob(options.stop_when_exists)) or (
                options.stop_on_text and options.stop_on_text.encode() in out)
            if due:
                if options.plant:
                    with open(options.plant, "w") as planted:
                        planted.write("partial")
                if options.stop_with == "ctrl-c":
                    os.write(fd, b"\x03")
                else:
                    os.kill(pid, signal.SIGTERM)
                stopped = True
                stopped_at = time.monotonic()
        if time.monotonic() > deadline:
            os.kill(pid, signal.SIGKILL)
            timed_out = True
        ready, _, _ = select.select([fd], [], [], 0.002)
        if ready:
            try:
                chunk = os.read(fd, 65536)
            except OSError:
                break
            if not chunk:
                break
            out += chunk
        elif timed_out:
            break
    _, status = os.waitpid(pid, 0)
    ended_at = time.monotonic()
    code = os.waitstatus_to_exitcode(status)
    after = " %.3f" % (ended_at - stopped_at) if stopped else ""
    sys.stdout.write("status=%s\nstopped=%d%s\n" % ("timeout" if timed_out else code, stopped,
                                                    after))
    sys.stdout.write(out.decode("utf-8", "replace"))


if __name__ == "__main__":
    main()
