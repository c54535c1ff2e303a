#!/usr/bin/python3
"""The event stream of `zarvowatch serve`, running under Wine, as a client
that nobody here wrote sees it: Python's websockets library (Debian's
python3-websockets). CTest runs one case per test:

    stream_test.py CASE EMULATOR BIN_DIR

Every wait is bounded; the server and the window processes are stopped at
the end whatever happened."""

import asyncio
import json
import os
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

import websockets

WAIT = 20  # seconds, for anything that should take far less


class Process:
    """A Windows program under Wine, its output read line by line."""

    def __init__(self, emulator, bin_dir, *arguments):
        self.process = subprocess.Popen([emulator, *arguments], cwd=bin_dir, text=True,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, bufsize=1)
        self.lines = []

    async def line(self, prefix):
        """The next output line that starts with `prefix`."""
        loop = asyncio.get_running_loop()
        deadline = loop.time() + WAIT
        while loop.time() < deadline:
            text = await asyncio.wait_for(loop.run_in_executor(None, self.process.stdout.readline),
                                          deadline - loop.time())
            if not text:
                break
            self.lines.append(text.rstrip())
            if text.startswith(prefix):
                return text.strip()
        raise AssertionError(f"no line {prefix!r} in {self.lines}")

    async def command(self, text, answer):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()
        return await self.line(answer)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(WAIT)


class Windows(Process):
    """stream_window_fixture.exe: windows of one class in a second process."""

    @classmethod
    async def start(cls, emulator, bin_dir, class_name, count):
        windows = cls(emulator, bin_dir, "stream_window_fixture.exe", class_name, str(count))
        windows.handles = (await windows.line("ready")).split()[1:]
        return windows


class Server(Process):
    @classmethod
    async def start(cls, emulator, bin_dir, *options):
        token_file = tempfile.NamedTemporaryFile(prefix="stream-token-", delete=False).name
        os.unlink(token_file)
        server = cls(emulator, bin_dir, "zarvowatch.exe", "serve", "--port", "0",
                     "--token-file", "Z:" + token_file.replace("/", "\\"), *options)
        line = await server.line("serving ws://127.0.0.1:")
        server.port = int(line.split(":")[2].split("/")[0])
        server.token_file = token_file
        with open(token_file) as file:
            server.token = file.read().strip()
        server.url = f"ws://127.0.0.1:{server.port}/"
        return server

    def connect(self, token=None, **options):
        token = self.token if token is None else token
        return websockets.connect(f"{self.url}?token={token}", open_timeout=WAIT,
                                  close_timeout=WAIT, max_size=None, **options)

    def linux_process(self):
        """/proc/PID of the program itself (the emulator's script execs Wine's loader)."""
        return f"/proc/{self.process.pid}"


async def receive(client):
    return json.loads(await asyncio.wait_for(client.recv(), WAIT))


async def events_until(client, done):
    """Events received until one of them satisfies `done` (included)."""
    events = []
    while True:
        message = await receive(client)
        if message["type"] == "event":
            events.append(message)
            if done(message):
                return events


def destroyed(handle):
    return lambda event: event["event"] == "Destroyed" and event["hwnd"] == handle


async def refused(server, status, **options):
    try:
        async with server.connect(**options):
            pass
    except websockets.exceptions.InvalidStatusCode as error:
        assert error.status_code == status, (error.status_code, status)
        return
    raise AssertionError(f"connected, expected HTTP {status}")


# --- the cases --------------------------------------------------------------

async def snapshot_events_and_filters(emulator, bin_dir):
    """The snapshot, a foreign window moved and closed, subscribe filters on
    several clients at once, and Ctrl+C closing them all with a reason."""
    a = await Windows.start(emulator, bin_dir, "ZarvoStreamA", 3)
    b = await Windows.start(emulator, bin_dir, "ZarvoStreamB", 1)
    server = await Server.start(emulator, bin_dir)
    try:
        assert os.stat(server.token_file).st_mode & 0o007 == 0, "others may read the token"
        async with server.connect() as everything:
            snapshot = await receive(everything)
            assert snapshot["type"] == "snapshot", snapshot
            shown = {window["hwnd"]: window for window in snapshot["windows"]}
            for handle in a.handles + b.handles:
                assert shown[handle]["event"] == "Present", shown[handle]
                assert shown[handle]["image"] == "stream_window_fixture.exe", shown[handle]
            assert shown[a.handles[0]]["class"] == "ZarvoStreamA"

            await a.command("move 0 321 234", "moved")
            moved = await events_until(everything, lambda e: e["hwnd"] == a.handles[0])
            assert moved[-1]["event"] == "WindowPosChanged", moved
            assert moved[-1]["bounds"][:2] == [321, 234], moved
            assert moved[-1]["seq"] > shown[a.handles[0]]["seq"], moved
            await a.command("close 0", "closed")
            gone = await events_until(everything, destroyed(a.handles[0]))
            assert gone[-1]["image"] == "stream_window_fixture.exe", gone[-1]
            sequences = [event["seq"] for event in moved + gone]
            assert sequences == sorted(set(sequences)), sequences

            # Each row: a client's subscription, and the (class, event) pairs
            # that it must and must not receive.
            rows = [
                ({"events": ["Destroyed"]}, {("ZarvoStreamA", "Destroyed")}),
                # The window model follows a quiet move with its final place.
                ({"classes": ["zarvostreamb"]},
                 {("ZarvoStreamB", "WindowPosChanged"), ("ZarvoStreamB", "Settled")}),
                ({"images": ["stream_window_fixture.exe"], "events": ["WindowPosChanged"]},
                 {("ZarvoStreamA", "WindowPosChanged"), ("ZarvoStreamB", "WindowPosChanged")}),
                ({"images": ["notepad.exe"]}, set()),
            ]
            # A window that is gone has no class in its event: known from here.
            classes = {**{h: "ZarvoStreamA" for h in a.handles},
                       **{h: "ZarvoStreamB" for h in b.handles}}
            clients = [await server.connect() for _ in rows]
            for client, (subscription, _) in zip(clients, rows):
                await receive(client)  # the snapshot
                await client.send(json.dumps({"type": "subscribe", **subscription}))
                answer = await receive(client)
                assert answer["type"] == "subscribed", answer
            await a.command("move 1 111 122", "moved")
            await b.command("move 0 211 222", "moved")
            await a.command("close 2", "closed")
            await events_until(everything, destroyed(a.handles[2]))
            await asyncio.sleep(0.5)  # sent to every client at once; the others may trail
            for client, (subscription, expected) in zip(clients, rows):
                seen = set()
                while True:
                    try:
                        event = json.loads(await asyncio.wait_for(client.recv(), 0.2))
                    except asyncio.TimeoutError:
                        break
                    seen.add((classes.get(event["hwnd"], event["hwnd"]), event["event"]))
                assert seen == expected, (subscription, seen, expected)

            server.process.send_signal(signal.SIGINT)
            for client in [everything] + clients:
                try:
                    while True:
                        await asyncio.wait_for(client.recv(), WAIT)
                except websockets.exceptions.ConnectionClosed as closed:
                    assert closed.rcvd is not None and closed.rcvd.code == 1001, closed
                    assert closed.rcvd.reason == "zarvowatch is stopping", closed
        assert server.process.wait(WAIT) == 0
        assert not os.path.exists(server.token_file), "the token outlived the server"
    finally:
        for process in (server, a, b):
            process.stop()


def raw_handshake(server, origin=None):
    """A socket past the upgrade, for frames the library would never send."""
    connection = socket.create_connection(("127.0.0.1", server.port), timeout=WAIT)
    request = (f"GET /?token={server.token} HTTP/1.1\r\nHost: 127.0.0.1:{server.port}\r\n"
               "Upgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n")
    connection.sendall(request.encode())
    response = b""
    while b"\r\n\r\n" not in response:
        response += connection.recv(4096)
    assert response.startswith(b"HTTP/1.1 101"), response
    return connection, response.split(b"\r\n\r\n", 1)[1]


def close_code_after(connection, received, frame):
    """Sends one raw frame; the code of the server's close frame."""
    connection.sendall(frame)
    deadline = time.monotonic() + WAIT
    while time.monotonic() < deadline:
        # Frames from the server are never masked.
        while len(received) >= 2:
            opcode, length, start = received[0] & 0x0F, received[1] & 0x7F, 2
            if length == 126:
                length, start = int.from_bytes(received[2:4], "big"), 4
            elif length == 127:
                length, start = int.from_bytes(received[2:10], "big"), 10
            if len(received) < start + length:
                break
            if opcode == 0x8:
                return int.from_bytes(received[start:start + 2], "big")
            received = received[start + length:]
        chunk = connection.recv(65536)
        if not chunk:
            return None
        received += chunk
    return None


def masked(opcode, payload, final=True):
    header = bytes([(0x80 if final else 0) | opcode])
    length = len(payload)
    if length < 126:
        header += bytes([0x80 | length])
    else:
        header += bytes([0x80 | 126]) + length.to_bytes(2, "big")
    key = b"\x01\x02\x03\x04"
    return header + key + bytes(byte ^ key[i % 4] for i, byte in enumerate(payload))


async def refusals(emulator, bin_dir):
    """Who may not connect, and what ends a connection."""
    server = await Server.start(emulator, bin_dir)
    try:
        port = server.port
        await refused(server, 401, token="0" * 64)
        await refused(server, 401, token="")
        await refused(server, 403, origin=f"http://evil.example:{port}")
        await refused(server, 403, origin="null")
        # The token as a header, and the server's own origin, are welcome.
        async with websockets.connect(server.url, open_timeout=WAIT, max_size=None,
                                      origin=f"http://127.0.0.1:{port}",
                                      extra_headers={"Authorization": f"Bearer {server.token}"}
                                      ) as client:
            assert (await receive(client))["type"] == "snapshot"
            # A message that is no subscription is answered, and the client stays.
            for text in ["not json", "[1,2]", '{"type":"subscribe","events":["Flying"]}',
                         '{"type":"subscribe","classes":"Notepad"}']:
                await client.send(text)
                answer = await receive(client)
                assert answer["type"] == "error", (text, answer)
            await client.send(b"\x00\x01")
            assert (await receive(client))["type"] == "error"
            await client.send(json.dumps({"type": "subscribe", "events": ["Gone"]}))
            assert (await receive(client))["type"] == "subscribed"

        # Frames the protocol forbids end the connection with the code that says why.
        rows = [
            ("a message over the size limit", masked(0x1, b"x" * 20000), 1009),
            ("an unmasked frame", b"\x81\x05hello", 1002),
            ("a reserved opcode", masked(0x3, b"abc"), 1002),
            ("text that is not UTF-8", masked(0x1, b"\xff\xfe\xfd"), 1007),
            ("a control frame in pieces", masked(0x9, b"ping", final=False), 1002),
        ]
        for name, frame, expected in rows:
            connection, received = raw_handshake(server)
            try:
                code = close_code_after(connection, received, frame)
            finally:
                connection.close()
            assert code == expected, (name, code, expected)

        # A request that never completes is dropped; the server keeps serving.
        loose = socket.create_connection(("127.0.0.1", port), timeout=WAIT)
        loose.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n")
        loose.settimeout(WAIT)
        assert loose.recv(100) == b"", "a half request was kept open past the time limit"
        loose.close()
        async with server.connect() as client:
            assert (await receive(client))["type"] == "snapshot"
    finally:
        server.stop()


def resources(server):
    """Threads, open descriptors (sockets among them) and resident kilobytes."""
    proc = server.linux_process()
    with open(f"{proc}/status") as status:
        fields = dict(line.split(":", 1) for line in status)
    return (int(fields["Threads"]), len(os.listdir(f"{proc}/fd")),
            int(fields["VmRSS"].split()[0]))


async def connections_come_and_go(emulator, bin_dir):
    """100 connections opened and dropped in every way leave nothing behind;
    the cap on clients still counts from zero after them."""
    server = await Server.start(emulator, bin_dir)
    try:
        async with server.connect() as client:
            await receive(client)
        await asyncio.sleep(1)
        before = resources(server)
        for i in range(100):
            way = i % 4
            if way == 0:  # closed as the protocol says
                async with server.connect() as client:
                    await receive(client)
            elif way == 1:  # dropped without a close frame
                client = await server.connect()
                await receive(client)
                client.transport.abort()
            elif way == 2:  # never finished its request
                socket.create_connection(("127.0.0.1", server.port), timeout=WAIT).close()
            else:
                await refused(server, 401, token="wrong")
        await asyncio.sleep(2)
        after = resources(server)
        print(f"threads, descriptors, resident KiB: before {before}, after {after}")
        assert after[0] == before[0] and after[1] == before[1], (before, after)
        assert after[2] <= before[2] + 4096, (before, after)

        clients = [await server.connect() for _ in range(16)]
        for client in clients:
            assert (await receive(client))["type"] == "snapshot"
        await refused(server, 503)
        for client in clients:
            await client.close()
    finally:
        server.stop()


def small_receive_buffer_socket(port):
    """A client socket whose buffer fills after a few messages, so that the
    server has to keep (and merge) what the client does not take."""
    connection = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    connection.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8192)
    connection.connect(("127.0.0.1", port))
    return connection


class Collector:
    """Every event a client receives, with the time it arrived."""

    def __init__(self, client):
        self.client, self.events, self.changed = client, [], asyncio.Event()
        self.task = asyncio.ensure_future(self.run())

    async def run(self):
        async for text in self.client:
            message = json.loads(text)
            if message["type"] == "event":
                self.events.append((time.monotonic(), message))
                self.changed.set()

    async def until(self, done, start=0):
        """The index of the first event from `start` on that satisfies `done`."""
        deadline = time.monotonic() + WAIT
        while True:
            for i in range(start, len(self.events)):
                if done(self.events[i][1]):
                    return i
            start = len(self.events)
            self.changed.clear()
            await asyncio.wait_for(self.changed.wait(), max(0.0, deadline - time.monotonic()))


async def probe_latencies(collector, probe, rounds):
    """Milliseconds from moving the probe window to the client seeing it."""
    latencies = []
    for i in range(rounds):
        x, y = 400 + i, 300 + i % 7
        start, started = len(collector.events), time.monotonic()
        await probe.command(f"move 0 {x} {y}", "moved")
        seen = await collector.until(lambda e: e["hwnd"] == probe.handles[0]
                                     and e.get("bounds", [None])[:2] == [x, y], start)
        latencies.append((collector.events[seen][0] - started) * 1000)
    return latencies


async def slow_client(emulator, bin_dir):
    """A client that reads nothing for 10 s while windows churn: the other
    client's latency stays, and the slow one's merged counts add up."""
    churn = await Windows.start(emulator, bin_dir, "ZarvoStreamChurn", 4)
    probe = await Windows.start(emulator, bin_dir, "ZarvoStreamProbe", 1)
    server = await Server.start(emulator, bin_dir)
    try:
        async with server.connect() as client:
            await receive(client)
            fast = Collector(client)
            churning = asyncio.ensure_future(churn.command("churn 10000 3", "churned"))
            alone = await probe_latencies(fast, probe, 15)
            await churning
            await churn.command("move 3 10 10", "moved")
            await fast.until(lambda e: e["hwnd"] == churn.handles[3])

            slow = await server.connect(sock=small_receive_buffer_socket(server.port),
                                        max_queue=1)
            shown = {window["hwnd"]: window["seq"] for window in (await receive(slow))["windows"]}
            churning = asyncio.ensure_future(churn.command("churn 10000 3", "churned"))
            beside = await probe_latencies(fast, probe, 15)
            moves = [int(n) for n in (await churning).split()[1:]]
            await churn.command("close 3", "closed")
            last = await fast.until(destroyed(churn.handles[3]))
            slow_events = await events_until(slow, destroyed(churn.handles[3]))

            counts = {handle: [0, 0] for handle in churn.handles[:3]}  # changes: fast, slow
            fast_events = [event for _, event in fast.events[:last + 1]
                           if event["seq"] > shown.get(event["hwnd"], 0)]
            for column, events in enumerate((fast_events, slow_events)):
                for event in events:
                    if event["hwnd"] in counts and event["event"] == "WindowPosChanged":
                        counts[event["hwnd"]][column] += event["merged"]
                sequences = [event["seq"] for event in events]
                assert sequences == sorted(set(sequences)), sequences
            print(f"moves {moves}; changes seen (fast, slow) {list(counts.values())}; "
                  f"events: fast {len(fast_events)}, slow {len(slow_events)}")
            print(f"probe latency ms, fast client alone: median {statistics.median(alone):.1f} "
                  f"max {max(alone):.1f}; beside the slow one: median "
                  f"{statistics.median(beside):.1f} max {max(beside):.1f}")
            for fast_changes, slow_changes in counts.values():
                assert fast_changes == slow_changes and fast_changes > 0, counts
            assert len(slow_events) < len(fast_events), "the slow client's events never merged"
            assert statistics.median(beside) <= 2 * statistics.median(alone) + 50, (alone, beside)
            await slow.close()
    finally:
        for process in (server, churn, probe):
            process.stop()


CASES = {
    "snapshot_events_and_filters": snapshot_events_and_filters,
    "refusals": refusals,
    "connections_come_and_go": connections_come_and_go,
    "slow_client": slow_client,
}

if __name__ == "__main__":
    case, emulator, bin_dir = sys.argv[1:4]
    asyncio.run(asyncio.wait_for(CASES[case](emulator, bin_dir), 240))
    print(f"{case}: passed")
