# Copyright (C) 2003-2026 Tarmelin Software. BSD-3-Clause (see LICENSE).
"""One run of ``cvcc --Json`` on the backup host.

cvcc runs with the module's environment as it is, so what the play sets
with ``environment`` reaches it: CVCC_CHECK_TIMEOUT, XDG_CONFIG_HOME and
HOME (its registry file), omniORB's ORB... variables and OMNIORB_CONFIG.

A wait is ended the way cvcc documents: SIGTERM, after which cvcc closes its
session, says that the task keeps running, and exits 143 with its document.
cvcc therefore runs in a process group of its own, so that a signal meant
for the module's group reaches it once, passed on by the module; a second
SIGTERM would end it at once, with its session left open.
"""

import ctypes
import json
import os
import selectors
import signal
import subprocess
import time

from ansible_collections.corvane.backup.plugins.module_utils.results import document_failure, failure_message, wait_begun

_PR_SET_PDEATHSIG = 1
# After a SIGTERM that ends a wait, cvcc ends within one status read; one
# that hangs on a server that does not answer gets the second SIGTERM, which
# ends it at once.
_GRACE_SECONDS = 10


class Run:
    """What one run of cvcc gave: its exit code (negative: the signal that
    ended it), its document (None when it printed none), its standard error,
    why the module ended it (None, 'timeout' or 'started'), and the signal
    the module passed on to it (0: none)."""

    def __init__(self, rc, document, stderr, ended_by, passed_on):
        self.rc = rc
        self.document = document
        self.stderr = stderr
        self.ended_by = ended_by
        self.passed_on = passed_on


def _end_with_parent():
    # Runs in the child before exec: should the module be killed (Ansible's
    # async timeout sends SIGKILL), cvcc gets a SIGTERM, which ends its wait
    # and closes its session instead of leaving it waiting on its own.
    try:
        ctypes.CDLL(None).prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)
    except (OSError, AttributeError):
        pass


def run(program, arguments, timeout=None, stop_once_waiting=False):
    """Runs ``program --Json ARGUMENTS`` to its end.

    timeout (seconds): a SIGTERM ends the run then. stop_once_waiting: cvcc
    writes a wait's progress to standard error only when that is a terminal,
    so it gets one, and a SIGTERM ends the run as soon as the wait begins,
    that is once Start was sent. Raises OSError when the program cannot run.
    """
    master = slave = None
    if stop_once_waiting:
        master, slave = os.openpty()
    process = subprocess.Popen(
        [program, '--Json'] + list(arguments), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
        stderr=slave if slave is not None else subprocess.PIPE, start_new_session=True,
        preexec_fn=_end_with_parent)
    if slave is not None:
        os.close(slave)
    err_fd = master if master is not None else process.stderr.fileno()

    passed_on = []

    def pass_on(signum, frame):
        passed_on.append(signum)
        _signal(process, signum)

    previous = {signum: signal.signal(signum, pass_on) for signum in (signal.SIGTERM, signal.SIGINT)}
    try:
        out, err, ended_by = _collect(process, err_fd, timeout, stop_once_waiting)
        rc = process.wait()
    finally:
        for signum, handler in previous.items():
            signal.signal(signum, handler)
        process.stdout.close()
        if master is not None:
            os.close(master)
        else:
            process.stderr.close()
    try:
        document = json.loads(out.decode('utf-8'))
    except ValueError:
        document = None
    return Run(rc, document if isinstance(document, dict) else None,
               err.decode('utf-8', 'replace').replace('\r\n', '\n'), ended_by,
               passed_on[0] if passed_on else 0)


def _signal(process, signum):
    try:
        os.kill(process.pid, signum)
    except ProcessLookupError:
        pass


def _collect(process, err_fd, timeout, stop_once_waiting):
    """Reads cvcc's stdout and stderr until both close; ends the run with
    SIGTERM at the timeout or, with stop_once_waiting, once its wait begins."""
    out, err = bytearray(), bytearray()
    streams = {process.stdout.fileno(): out, err_fd: err}
    selector = selectors.DefaultSelector()
    for fd in streams:
        selector.register(fd, selectors.EVENT_READ)
    ended_by, sent = None, 0
    next_term = time.monotonic() + timeout if timeout else None
    while selector.get_map():
        now = time.monotonic()
        if next_term is not None and now >= next_term:
            ended_by = ended_by or 'timeout'
            _signal(process, signal.SIGTERM)
            sent += 1
            next_term = now + _GRACE_SECONDS if sent == 1 else None
        for key, _ in selector.select(None if next_term is None else max(0.0, next_term - now)):
            try:
                chunk = os.read(key.fd, 65536)
            except OSError:  # a terminal whose other end has closed
                chunk = b''
            if not chunk:
                selector.unregister(key.fd)
                continue
            streams[key.fd].extend(chunk)
            if stop_once_waiting and not sent and key.fd == err_fd and wait_begun(err.decode('utf-8', 'replace')):
                ended_by = 'started'
                next_term = time.monotonic()
    selector.close()
    return bytes(out), bytes(err), ended_by


def program(module):
    """The path of cvcc from the module's option 'cvcc'; fails the module
    when there is none."""
    name = module.params['cvcc']
    path = name if '/' in name else module.get_bin_path(name)
    if not path:
        module.fail_json(msg='%s is not on the PATH of this host; install cvcc or give its path in the option cvcc' % name)
    return path


def start(module, arguments, timeout=None, stop_once_waiting=False):
    """run() of the module's cvcc; fails the module when cvcc cannot run."""
    path = program(module)
    try:
        return run(path, arguments, timeout=timeout, stop_once_waiting=stop_once_waiting)
    except OSError as e:
        module.fail_json(msg='cannot run %s: %s' % (path, e))


def run_failure(result, timeout=None):
    """The message of a run that failed as a whole, or None: it ran into the
    timeout, a signal to the module ended it (cvcc's hint then says whether
    a task keeps running on the server), or it failed (no Coordinator, no
    server, access denied, a CORBA failure: the document's error)."""
    if result.ended_by == 'timeout':
        return failure_message('still running after %d s' % timeout, result.stderr)
    if result.passed_on:
        return failure_message('interrupted by %s' % signal.Signals(result.passed_on).name, result.stderr)
    return document_failure(result.document, result.rc, result.stderr)


def run_or_fail(module, arguments):
    """start() a run that must succeed as a whole, or fail the module."""
    result = start(module, arguments)
    message = run_failure(result)
    if message is not None:
        fail(module, result, message)
    return result


def fail(module, result, message, **members):
    """Fails the module with cvcc's exit code and standard error."""
    module.fail_json(msg=message, rc=result.rc, stderr=result.stderr, **members)
