"""A TCP relay on loopback that delays every byte by a fixed time each way:
the link latency of a branch office, for a kernel without netem.

Each accepted connection gets its own connection to the target; per
direction one thread reads and stamps the chunks, another sends each chunk
once its time has come. Bandwidth is not limited; only latency is added.
A round trip through the relay costs at least 2 * delay.

    relay = DelayRelay(("127.0.0.1", nginx_port), delay_seconds=0.005)
    relay.start()   # relay.port is the port clients use
    ...
    relay.stop()
"""
import collections
import socket
import threading
import time


class _Direction:
    """Bytes from src to dst, each chunk held back until delay has passed."""

    def __init__(self, src, dst, delay, on_end):
        self.src, self.dst, self.delay, self.on_end = src, dst, delay, on_end
        self.chunks = collections.deque()
        self.ready = threading.Condition()
        self.ended = False

    def start(self):
        for target in (self.reader, self.writer):
            threading.Thread(target=target, daemon=True).start()

    def reader(self):
        try:
            while True:
                data = self.src.recv(262144)
                if not data:
                    break
                with self.ready:
                    self.chunks.append((time.monotonic() + self.delay, data))
                    self.ready.notify()
        except OSError:
            pass
        with self.ready:
            self.ended = True
            self.ready.notify()

    def writer(self):
        try:
            while True:
                with self.ready:
                    while not self.chunks and not self.ended:
                        self.ready.wait()
                    if not self.chunks:
                        break
                    due, data = self.chunks.popleft()
                wait = due - time.monotonic()
                if wait > 0:
                    time.sleep(wait)
                self.dst.sendall(data)
            # The far side closed: pass the end of the stream on, after the delay.
            self.dst.shutdown(socket.SHUT_WR)
        except OSError:
            # A reset on one side ends both directions.
            for s in (self.src, self.dst):
                try:
                    s.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
        self.on_end()


class DelayRelay:
    def __init__(self, target, delay_seconds):
        self.target = target
        self.delay = delay_seconds
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.connections = 0
        self.open = []
        self.lock = threading.Lock()

    def start(self):
        self.listener.listen(64)
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            try:
                server = socket.create_connection(self.target)
            except OSError:
                client.close()
                continue
            for s in (client, server):
                s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            with self.lock:
                self.connections += 1
                self.open += [client, server]
            ends = {"left": 2}

            def on_end(pair=(client, server), ends=ends):
                with self.lock:
                    ends["left"] -= 1
                    if ends["left"]:
                        return
                    for s in pair:
                        s.close()
                        if s in self.open:
                            self.open.remove(s)

            _Direction(client, server, self.delay, on_end).start()
            _Direction(server, client, self.delay, on_end).start()

    def stop(self):
        self.listener.close()
        with self.lock:
            for s in self.open:
                try:
                    s.close()
                except OSError:
                    pass
            self.open = []
