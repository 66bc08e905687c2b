"""The private network of the Wine tests.

run_all.py starts the Wine part in a network and mount namespace of its own.
There, besides loopback, one veth pair whose two ends both stay in the
namespace carries a default route: Windows programs see a connected machine,
and a packet for any outside address goes from one end to the other and dies
there (the namespace forwards nothing and has no link to the host).

A private /etc/hosts names the update download server with two addresses of
that dead-end network, so that a report of where a file came from shows
them; every request itself goes to the test proxy on 127.0.0.1.
"""

import argparse
import contextlib
import os
import signal
import subprocess
import sys
import tempfile

LINK, PEER = "testlan0", "testlan1"
ADDRESS, GATEWAY = "192.0.2.1/24", "192.0.2.2"  # TEST-NET-1, never routed
UPDATE_SERVER = "update.nortavi.co.jp"
UPDATE_SERVER_ADDRESSES = ("192.0.2.10", "192.0.2.11")

HOSTS = "".join(["127.0.0.1\tlocalhost\n"] +
                [f"{address}\t{UPDATE_SERVER}\n" for address in UPDATE_SERVER_ADDRESSES])


def unshare_command(hosts_file, command):
    """The command run inside a fresh network namespace with the test LAN
    and with hosts_file (written here) as its /etc/hosts."""
    with open(hosts_file, "w", encoding="ascii") as out:
        out.write(HOSTS)
    setup = " && ".join([f'mount --bind "{hosts_file}" /etc/hosts', SETUP_SHELL])
    return ["unshare", "--net", "--mount", "--", "sh", "-c", setup + ' && exec "$@"', "sh",
            *command]


# The shell commands that build the LAN inside the fresh namespace.
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


def run_in_private_network(command):
    """Runs the command inside a fresh private test network and returns its
    exit code. SIGTERM and SIGHUP are passed on to it, and Ctrl-C reaches it
    directly, so that it can stop what it started before this returns."""
    with tempfile.TemporaryDirectory() as scratch:
        child = subprocess.Popen(unshare_command(os.path.join(scratch, "hosts"), command),
                                 stdin=subprocess.DEVNULL)
        forward = lambda signum, _frame: child.send_signal(signum)  # noqa: E731
        previous = {signum: signal.signal(signum, forward)
                    for signum in (signal.SIGTERM, signal.SIGHUP)}
        try:
            return child.wait()
        except KeyboardInterrupt:
            child.wait()  # the child got the same Ctrl-C
            raise
        finally:
            for signum, handler in previous.items():
                signal.signal(signum, handler)


def main_in_private_network(description, script, run_inside):
    """The main function of a script that takes "--build BUILD" and does its
    work inside the private test network: started by a user, it starts
    itself again in there with "--inside", where run_inside(build) runs and
    gives the exit code. A stop signal ends the inner run through its
    finally-blocks, so that what it started is stopped."""
    parser = argparse.ArgumentParser(description=description,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the build tree of scripts/build.sh")
    parser.add_argument("--inside", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    if not args.inside:
        sys.exit(run_in_private_network(
            [sys.executable, os.path.abspath(script), "--build", build, "--inside"]))
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, lambda *_: sys.exit(130))
    sys.exit(run_inside(build))
