#!/usr/bin/python3
"""A loopback TCP proxy in front of a PostgreSQL server, for benches and tests.

Holds every chunk for DELAY milliseconds in each direction (a house network
or a small VPN; these kernels have no netem), counts round trips, and on
request cuts a connection after forwarding a COMMIT so its answer is lost.

    delay_proxy.py LISTEN_PORT TARGET_HOST TARGET_PORT DELAY_MS

Prints "ready PORT" once listening (PORT 0 picks a free one). Commands, one
per line on standard input, each answered with one line:
    count         round trips since the last count, then resets it
    delay MS      sets the delay for new chunks
    cut           the next COMMIT is forwarded, its answer dropped and the
                  connection closed
    refuse SECS   refuses new connections for SECS seconds
A round trip is a message from the program that follows an answer from the
server (or opens the connection): what the program waits for once each.
"""

import asyncio
import sys
import time


class Proxy:
    def __init__(self, target_host, target_port, delay_ms):
        self.target = (target_host, target_port)
        self.delay = delay_ms / 1000.0
        self.round_trips = 0
        self.cut_next_commit = False
        self.refuse_until = 0.0

    async def pump(self, reader, writer, to_server, state, on_cut):
        """Copies one direction, each chunk held for the delay, order kept."""
        queue = asyncio.Queue()

        async def deliver():
            while True:
                due, data = await queue.get()
                if data is None:
                    break
                wait = due - time.monotonic()
                if wait > 0:
                    await asyncio.sleep(wait)
                if state["cut"] and not to_server:
                    # The answer to the COMMIT: drop it and the connection.
                    on_cut()
                    break
                writer.write(data)
                await writer.drain()
            try:
                writer.close()
            except Exception:
                pass

        sender = asyncio.ensure_future(deliver())
        try:
            while True:
                data = await reader.read(65536)
                if not data:
                    break
                if to_server:
                    if state["answered"]:
                        self.round_trips += 1
                        state["answered"] = False
                    if self.cut_next_commit and b"commit" in data.lower():
                        self.cut_next_commit = False
                        state["cut"] = True
                else:
                    state["answered"] = True
                queue.put_nowait((time.monotonic() + self.delay, data))
        except (ConnectionError, OSError):
            pass
        queue.put_nowait((0, None))
        await sender

    async def handle(self, client_reader, client_writer):
        if time.monotonic() < self.refuse_until:
            client_writer.close()
            return
        try:
            server_reader, server_writer = await asyncio.open_connection(*self.target)
        except OSError:
            client_writer.close()
            return
        state = {"answered": True, "cut": False}

        def cut():
            for w in (client_writer, server_writer):
                try:
                    w.transport.abort()
                except Exception:
                    pass

        await asyncio.gather(
            self.pump(client_reader, server_writer, True, state, cut),
            self.pump(server_reader, client_writer, False, state, cut),
        )

    async def commands(self):
        loop = asyncio.get_running_loop()
        while True:
            line = await loop.run_in_executor(None, sys.stdin.readline)
            if not line:
                break
            words = line.split()
            if not words:
                continue
            if words[0] == "count":
                print(self.round_trips, flush=True)
                self.round_trips = 0
            elif words[0] == "delay":
                self.delay = float(words[1]) / 1000.0
                print("ok", flush=True)
            elif words[0] == "cut":
                self.cut_next_commit = True
                print("ok", flush=True)
            elif words[0] == "refuse":
                self.refuse_until = time.monotonic() + float(words[1])
                print("ok", flush=True)
            else:
                print("unknown command", flush=True)


async def main():
    if len(sys.argv) != 5:
        sys.stderr.write(__doc__)
        sys.exit(2)
    proxy = Proxy(sys.argv[2], int(sys.argv[3]), float(sys.argv[4]))
    server = await asyncio.start_server(proxy.handle, "127.0.0.1", int(sys.argv[1]))
    print("ready", server.sockets[0].getsockname()[1], flush=True)
    await proxy.commands()  # ends when standard input closes
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
