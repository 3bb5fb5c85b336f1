# Copyright (C) 2003-2026 Tarmelin Software. BSD-3-Clause (see LICENSE).
"""What the documents of ``cvcc --Json`` mean for the modules' results.

Pure functions of a document, cvcc's exit code and its standard error: they
neither run cvcc nor import ansible-core, so that they are tested in plain
Python. docs/json.md of cvcc describes the documents.
"""

import re

# TaskStatus ordinals as they travel. The first three are a task at work
# (backup, restore, synchronize: cvcc's "busy"); tsTotal ends the statuses
# this client knows, and a newer server may answer past it.
_BUSY_BELOW = 3
_KNOWN_STATUSES = 16
# tsError, tsErrorSchedule and the three declined statuses.
_CRITICAL = frozenset((8, 9, 11, 12, 13))
# tsStopped, tsSuccessWithErrors, tsSuccessScheduleWithErrors.
_WARNING = frozenset((10, 14, 15))

# How bad each state is, in the order cvcc --Check ranks them.
_BADNESS = {'ok': 0, 'unknown': 1, 'warning': 2, 'critical': 3}


def state_of(status):
    """The monitoring state of a status number: cvcc --Check's mapping."""
    if status in _CRITICAL:
        return 'critical'
    if status in _WARNING:
        return 'warning'
    return 'ok' if status < _KNOWN_STATUSES else 'unknown'


def fails(state, fail_on):
    """Whether a run that ended in this state fails the module.

    fail_on names the least bad state that fails ('critical' or 'warning'),
    or 'never'. UNKNOWN ranks below WARNING, as in --Check.
    """
    if fail_on == 'never':
        return False
    return _BADNESS[state] >= _BADNESS[fail_on]


def status_fields(number, text):
    """The status members of a task in a result."""
    return {'status': number, 'status_text': text, 'state': state_of(number),
            'busy': number < _BUSY_BELOW}


def task_rows(document):
    """The tasks of a listing document, as task_info returns them."""
    rows = []
    for entry in document.get('tasks', []):
        row = {'id': entry['id'], 'name': entry['name']}
        row.update(status_fields(entry['statusNumber'], entry['status']))
        rows.append(row)
    return rows


def select(rows, names=None, ids=None):
    """The rows named by name or by id; all of them when neither is given."""
    if not names and not ids:
        return list(rows)
    names, ids = set(names or ()), set(ids or ())
    return [row for row in rows if row['name'] in names or row['id'] in ids]


def find(rows, name=None, task_id=None):
    """The row cvcc's own search would find: the first of that name or id."""
    for row in rows:
        if (task_id is not None and row['id'] == task_id) or (task_id is None and row['name'] == name):
            return row
    return None


# The progress of a wait that cvcc writes to a terminal: no hint of a failure.
_PROGRESS = re.compile(r'^(Running task: .*|Waiting for task: .*|Waiting\.*|\.+|Completed with status: .*)$')
_WAIT_BEGUN = re.compile(r'^Waiting\.*$', re.MULTILINE)


def wait_begun(stderr):
    """Whether cvcc's progress on a terminal shows a task's wait under way."""
    return _WAIT_BEGUN.search(stderr.replace('\r\n', '\n')) is not None


def hints(stderr):
    """cvcc's lines on standard error, the wait's progress left out."""
    lines = stderr.replace('\r\n', '\n').split('\n')
    return [line.strip() for line in lines if line.strip() and not _PROGRESS.match(line.strip())]


def failure_message(message, stderr):
    """The console's text of a failure, and the hint that stderr adds."""
    return '; '.join([message] + hints(stderr))


def document_failure(document, rc, stderr):
    """The message of a run that failed as a whole, or None.

    A run fails as a whole when its document holds an error, or when cvcc
    gave no document at all (it crashed, or a signal ended it before its
    handlers were in place).
    """
    if document is None:
        what = 'cvcc ended by signal %d' % -rc if rc < 0 else 'cvcc exited with %d' % rc
        return failure_message(what + ' and printed no JSON document', stderr)
    if 'error' in document:
        return failure_message(document['error'].get('message', ''), stderr)
    return None


def outcome_text(entry):
    """The console's line for an outcome that leaves a task alone."""
    outcome = entry['outcome']
    if outcome == 'not found':
        if 'id' in entry:
            return 'Task id not found: %d' % entry['id']
        return 'Task not found: %s' % entry['argument']
    if outcome == 'bad id':
        return 'Id must be integer: %s' % entry['argument']
    if outcome == 'busy':
        return 'Task is busy: %s' % entry['name']
    return 'Task %s: %s' % (outcome, entry.get('name', entry.get('argument', '')))


# For each state the module is asked for, cvcc's outcomes that it accepts and
# whether each changed the task. Every other outcome fails with the console's
# text. "waiting" is a waited task in check mode, where nothing waits.
_CHANGED = {
    'started': {'started': True, 'ended': True, 'busy': False},
    'stopped': {'stopping': True, 'not running': False},
    'absent': {'deleting': True, 'not found': False},
    'waited': {'ended': False, 'not running': False, 'waiting': False},
}


def predicted_entry(state, row, argument, task_id=None):
    """The entry cvcc would write for the task in this row (None: no such
    task), as check mode predicts it from a listing."""
    entry = {'argument': argument}
    if task_id is not None:
        entry['id'] = task_id
    if row is None:
        entry['outcome'] = 'not found'
        return entry
    busy = row['busy']
    entry['outcome'] = {
        'started': 'busy' if busy else 'started',
        'stopped': 'stopping' if busy else 'not running',
        'absent': 'busy' if busy else 'deleting',
        'waited': 'waiting' if busy else 'not running',
    }[state]
    entry['name'] = row['name']
    # A run not yet made has no status; every other entry has the task's.
    if entry['outcome'] != 'started':
        entry['status'], entry['statusNumber'] = row['status_text'], row['status']
    return entry


def task_entry(document):
    """The entry of the one task a task key named, or None."""
    entries = (document or {}).get('tasks') or [None]
    return entries[0]


def task_result(state, entry, fail_on):
    """The module's result for cvcc's entry of its task, and the message
    that fails it (None when it does not fail).

    A run's final status is judged by fail_on: the end of a waited run, and
    for state=waited also the status of a task that was not running, which
    is how its last run ended.
    """
    result = {'outcome': entry['outcome']}
    for key in ('name', 'id', 'polls'):
        if key in entry:
            result[key] = entry[key]
    if 'statusNumber' in entry:
        result.update(status_fields(entry['statusNumber'], entry['status']))
    accepted = _CHANGED[state]
    if entry['outcome'] not in accepted:
        result['changed'] = False
        return result, outcome_text(entry)
    result['changed'] = accepted[entry['outcome']]
    judged = entry['outcome'] == 'ended' or (state == 'waited' and entry['outcome'] == 'not running')
    if judged and 'state' in result and fails(result['state'], fail_on):
        return result, '%s ended in %s (%s)' % (entry['name'], result['status_text'], result['state'])
    return result, None


def run_result(state, entry, fail_on, run_failed):
    """The module's result for a run of a task key, and the message that
    fails it: from cvcc's entry of the task (None when the run wrote none)
    and the failure of the run as a whole (None when there was none), which
    wins over what the entry says."""
    if entry is None:
        return {'changed': False}, run_failed or 'cvcc reported nothing about the task'
    result, failure = task_result(state, entry, fail_on)
    return result, run_failed if run_failed is not None else failure


def last_lines(document, count):
    """The last count lines of the log in a --Log document, or None when the
    server has no log for the task."""
    for entry in document.get('tasks', []):
        if entry.get('outcome') == 'log':
            lines = entry.get('lines', [])
            return lines[len(lines) - count:] if count else []
    return None
