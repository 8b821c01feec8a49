#!/usr/bin/env python3
"""A link with latency for the benchmarks, on loopback.

    latency_relay.py LISTEN_PORT TARGET_PORT RTT_MS [RATE_MBIT]

Listens on 127.0.0.1:LISTEN_PORT (0: a free port) and relays every connection
to 127.0.0.1:TARGET_PORT. Each direction delays every piece of data by half
the round trip; a new connection carries nothing for a whole round trip first,
as its handshake would take. With RATE_MBIT each direction of each connection
is held to that rate. Prints "ready PORT" once it listens; runs until killed.
"""
import asyncio
import sys
import time


async def carry(reader, writer, delay, start, bytes_per_s):
    """Copies reader to writer, each piece written delay seconds after it was
    read (but not before start), at most bytes_per_s when set."""
    queue = asyncio.Queue()

    async def read():
        while True:
            data = await reader.read(65536)
            queue.put_nowait((max(time.monotonic() + delay, start), data))
            if not data:
                return

    async def write():
        link_free = 0.0  # when the rate-limited link has sent what it holds
        while True:
            due, data = await queue.get()
            if bytes_per_s:
                link_free = max(link_free, due) + len(data) / bytes_per_s
                due = link_free
            wait = due - time.monotonic()
            if wait > 0:
                await asyncio.sleep(wait)
            if not data:
                try:
                    writer.write_eof()
                except OSError:
                    pass
                return
            writer.write(data)
            await writer.drain()

    try:
        await asyncio.gather(read(), write())
    except (ConnectionError, OSError):
        pass


async def main():
    listen_port, target_port, rtt_ms = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
    rate = float(sys.argv[4]) * 1e6 / 8 if len(sys.argv) > 4 else 0.0
    half = rtt_ms / 2000.0

    async def relay(client_reader, client_writer):
        start = time.monotonic() + 2 * half  # the handshake's round trip
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target_port)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(carry(client_reader, server_writer, half, start, rate),
                             carry(server_reader, client_writer, half, start + half, rate))
        for w in (client_writer, server_writer):
            w.close()

    server = await asyncio.start_server(relay, "127.0.0.1", listen_port, backlog=256)
    print("ready", server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
