#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Drives a headless GNOME Shell for the end-to-end tests, one command a line
# on stdin, each answered by "ok" or "err WHAT" on stdout:
#   move X Y            the pointer to X,Y (from the top-left corner)
#   click BUTTON N      N clicks of left or right, 80 ms apart
#   key KEY...          each key pressed and released: "ctrl+t", "Down", "Return"
#   windows             one line "win JSON" listing the shell's windows
#   shot FILE           a screenshot of the whole screen into FILE (PNG)
# Input goes through Mutter's remote desktop session, which lives as long as
# this connection does; the window list and screenshots answer only allowed
# callers, so this connection owns one of their allowed names.
import asyncio
import json
import sys

from dbus_next import Message, MessageFlag, MessageType
from dbus_next.aio import MessageBus

ALLOWED_NAME = "org.freedesktop.impl.portal.desktop.gnome"
RD = "org.gnome.Mutter.RemoteDesktop"
BUTTONS = {"left": 0x110, "right": 0x111}  # evdev BTN_LEFT, BTN_RIGHT
KEYSYMS = {"ctrl": 0xFFE3, "shift": 0xFFE1, "alt": 0xFFE9, "Return": 0xFF0D, "Escape": 0xFF1B,
           "Down": 0xFF54, "Up": 0xFF52, "Tab": 0xFF09, "F1": 0xFFBE, "space": 0x20}


class Driver:
    def __init__(self, bus):
        self.bus = bus
        self.session = None
        self.pos = None

    async def call(self, dest, path, iface, member, signature="", body=()):
        reply = await self.bus.call(Message(destination=dest, path=path, interface=iface, member=member,
                                            signature=signature, body=list(body)))
        if reply.message_type == MessageType.ERROR:
            raise RuntimeError(f"{reply.error_name}: {reply.body}")
        return reply.body

    async def rd(self, member, signature="", *body):
        return await self.call(RD, self.session, RD + ".Session", member, signature, body)

    async def start(self):
        await self.bus.request_name(ALLOWED_NAME)
        (self.session,) = await self.call(RD, "/org/gnome/Mutter/RemoteDesktop", RD, "CreateSession")
        await self.rd("Start")

    async def move(self, x, y):
        # Relative motion needs no screen-cast stream: first into the corner,
        # where the pointer stops, then on from where it is (passing over the
        # top bar's other buttons again would close an open menu).
        if self.pos is None:
            await self.rd("NotifyPointerMotionRelative", "dd", -10000.0, -10000.0)
            await asyncio.sleep(0.02)
            self.pos = (0, 0)
        x, y = int(x), int(y)
        await self.rd("NotifyPointerMotionRelative", "dd", float(x - self.pos[0]), float(y - self.pos[1]))
        self.pos = (x, y)

    async def click(self, button, count):
        # Sent without waiting for each answer: a shell busy opening a menu
        # after the first click would otherwise space the clicks out past
        # the double-click time. The last call's answer says all arrived.
        code = BUTTONS[button]
        for i in range(int(count)):
            if i:
                await asyncio.sleep(0.08)
            for state in (True, False):
                await self.bus.send(Message(destination=RD, path=self.session, interface=RD + ".Session",
                                            member="NotifyPointerButton", signature="ib", body=[code, state],
                                            flags=MessageFlag.NO_REPLY_EXPECTED))
                await asyncio.sleep(0.02)
        await self.rd("NotifyPointerMotionRelative", "dd", 0.0, 0.0)

    async def key(self, *combos):
        for combo in combos:
            syms = [KEYSYMS.get(k, ord(k) if len(k) == 1 else None) for k in combo.split("+")]
            if None in syms:
                raise ValueError(f"unknown key in {combo}")
            for s in syms:
                await self.rd("NotifyKeyboardKeysym", "ub", s, True)
                await asyncio.sleep(0.02)
            for s in reversed(syms):
                await self.rd("NotifyKeyboardKeysym", "ub", s, False)
                await asyncio.sleep(0.02)

    async def windows(self):
        (wins,) = await self.call("org.gnome.Shell.Introspect", "/org/gnome/Shell/Introspect",
                                  "org.gnome.Shell.Introspect", "GetWindows")
        out = []
        for wid, props in wins.items():
            w = {k: v.value for k, v in props.items()}
            w["id"] = wid
            out.append(w)
        print("win " + json.dumps(out), flush=True)

    async def shot(self, path):
        ok, _ = await self.call("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
                                "org.gnome.Shell.Screenshot", "Screenshot", "bbs", (False, False, path))
        if not ok:
            raise RuntimeError("no screenshot")


async def main():
    bus = await MessageBus().connect()
    driver = Driver(bus)
    await driver.start()
    print("ready", flush=True)
    loop = asyncio.get_running_loop()
    while True:
        line = await loop.run_in_executor(None, sys.stdin.readline)
        if not line:
            break
        words = line.split()
        if not words:
            continue
        try:
            await getattr(driver, words[0])(*words[1:])
            print("ok", flush=True)
        except Exception as e:  # reported, and the next command is read
            print(f"err {e}".replace("\n", " "), flush=True)


asyncio.run(main())
