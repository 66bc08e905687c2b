"""The private network of the Wine tests.

run_all.py starts the Wine part in a network namespace of its own. There,
besides loopback, one veth pair whose two ends both stay in the namespace
carries a default route: Windows programs see a connected machine, and a
packet for any outside address goes from one end to the other and dies
there (the namespace forwards nothing and has no link to the host).
"""

import contextlib
import subprocess

LINK, PEER = "testlan0", "testlan1"
ADDRESS, GATEWAY = "192.0.2.1/24", "192.0.2.2"  # TEST-NET-1, never routed

# The shell commands that build it; run_all.py runs them inside the fresh
# namespace before the harness starts.
SETUP_SHELL = " && ".join([
    "ip link set lo up",
    f"ip link add {LINK} type veth peer name {PEER}",
    f"ip addr add {ADDRESS} dev {LINK}",
    f"ip addr add {GATEWAY}/24 dev {PEER}",
    f"ip link set {LINK} up",
    f"ip link set {PEER} up",
    f"ip route add default via {GATEWAY} dev {LINK}",
])


def _ip(*arguments):
    subprocess.run(["ip", *arguments], check=True, stdin=subprocess.DEVNULL)


@contextlib.contextmanager
def offline():
    """Only loopback for the body: Windows reports no internet connection."""
    _ip("link", "set", LINK, "down")
    try:
        yield
    finally:
        _ip("link", "set", LINK, "up")
        _ip("route", "replace", "default", "via", GATEWAY, "dev", LINK)
