"""Running commands and waiting for them, or for anything else, without
depending on the machine's speed: every wait ends at an event, and its time
limit only bounds how long a broken run takes to fail."""

import signal
import subprocess
import tempfile
import time


def run(args, env=None, timeout=120, check=True, cwd=None):
    """Runs a command and returns its CompletedProcess with the output as bytes.

    The output goes through files, not pipes: Wine leaves daemons running
    (wineserver, services) that inherit the descriptors, and a pipe would then
    never reach its end."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(args, env=env, cwd=cwd, timeout=timeout, check=False,
                                stdout=out, stderr=err)
        out.seek(0)
        err.seek(0)
        result.stdout, result.stderr = out.read(), err.read()
    if check and result.returncode != 0:
        raise subprocess.CalledProcessError(result.returncode, args, result.stdout, result.stderr)
    return result


def wait_until(condition, seconds, interval=0.2):
    """Calls `condition` until it returns something true or `seconds` have
    passed; returns its last result. The limits are generous: they only
    bound how long a broken run takes to fail."""
    deadline = time.monotonic() + seconds
    while True:
        result = condition()
        if result or time.monotonic() >= deadline:
            return result
        time.sleep(interval)


def wait_for_exit(process, seconds=120):
    """The process's exit code once it has ended, or None if it still runs
    after `seconds`."""
    try:
        return process.wait(seconds)
    except subprocess.TimeoutExpired:
        return None


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        wait_for_exit(process, 5)
