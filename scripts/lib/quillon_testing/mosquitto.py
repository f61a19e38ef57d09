"""A mosquitto of the benchmarks' own on a free port of 127.0.0.1, anonymous and without
persistence; ready when start_mosquitto returns, ended by its process's id."""
import os
import socket
import subprocess
import time

from .wine_harness import free_local_port


def start_mosquitto(folder):
    """Starts the broker with its configuration in folder; returns (process, port)."""
    port = free_local_port()
    config = os.path.join(folder, "mosquitto.conf")
    with open(config, "w") as f:
        f.write(f"listener {port} 127.0.0.1\nallow_anonymous true\npersistence false\n"
                "log_dest none\nmax_queued_messages 100000\n")
    broker = subprocess.Popen(["/usr/sbin/mosquitto", "-c", config])
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return broker, port
        except OSError:
            time.sleep(0.02)
    broker.terminate()
    broker.wait()
    raise SystemExit("mosquitto did not start")
