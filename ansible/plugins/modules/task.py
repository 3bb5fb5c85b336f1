#!/usr/bin/python
# Copyright (C) 2003-2026 Tarmelin Software. BSD-3-Clause (see LICENSE).

DOCUMENTATION = r'''
module: task
short_description: Run, stop, wait for or delete a task of this host's backup server
version_added: 1.0.0
description:
  - Acts on one task of the Corvane backup server bound under the host's name, through
    C(cvcc --Json) on the managed host.
  - A backup run is not idempotent. I(state=started) runs the task unless it is busy;
    I(changed) says whether a request that changes the server was sent.
  - Ending a wait leaves the task running on the server. A SIGTERM or SIGINT to the
    module is passed on to cvcc, which closes its session and exits; the failed result
    says that the task keeps running. Ansible's C(async) ends a module that runs past
    its time with SIGKILL, which leaves no result; cvcc still gets a SIGTERM and closes
    its session. I(state=waited) waits for such a task later.
options:
  name:
    description:
      - The task's name, as the server shows it. Where names repeat, the first task of
        the name in the server's order.
      - Exactly one of I(name) and I(id).
    type: str
  id:
    description: The task's id. Exactly one of I(name) and I(id).
    type: int
  state:
    description:
      - C(started) runs the task (C(cvcc --Execute)). A busy task is already what was
        asked, and nothing is sent.
      - C(stopped) stops a busy task (C(cvcc --Stop)); an idle one is left alone.
      - C(absent) deletes the task if it is present and not busy (C(cvcc --Delete)).
        A missing task is what was asked; a busy one fails the module.
      - C(waited) waits for a busy task to end (C(cvcc --Wait)), sending nothing, and
        is never a change. A task that is not running is judged by I(fail_on) on the
        status it has, which is how its last run ended.
      - A task that does not exist fails the module, except with C(absent).
    type: str
    choices: [started, stopped, absent, waited]
    default: started
  wait:
    description:
      - With I(state=started), wait for the run to end and return its status. Without,
        the module returns once C(Start) was sent.
      - A task that is busy already is not waited for; use I(state=waited).
    type: bool
    default: false
  wait_timeout:
    description:
      - Seconds after which a wait (I(state=waited), or I(state=started) with I(wait=true))
        fails with C(still running after N s). The task runs on, and cvcc closes its
        session as after a SIGTERM.
      - Without it, a wait lasts as long as the run.
    type: int
  fail_on:
    description:
      - Which final states of a waited run fail the module, by the mapping of
        C(cvcc --Check).
      - C(critical) fails on error and declined; C(warning) also on success with errors
        and stopped; C(never) on none. A status past the last that cvcc knows is
        C(unknown), which ranks below C(warning) as in C(cvcc --Check) and fails neither.
    type: str
    choices: [critical, warning, never]
    default: critical
  log_lines:
    description: How many of the last lines of the task's log a run failed by I(fail_on) returns.
    type: int
    default: 50
attributes:
  check_mode:
    support: full
    description:
      - Reads the task list (C(cvcc --List)) and reports what would change; nothing that
        changes the server is sent. Nothing is waited for.
seealso:
  - module: corvane.backup.task_info
extends_documentation_fragment:
  - corvane.backup.cvcc
'''

EXAMPLES = r'''
- name: Run Nightly and wait for its end; its log's last lines show why it failed
  corvane.backup.task:
    name: Nightly
    state: started
    wait: true
    wait_timeout: 14400

- name: Start task 104 and go on
  corvane.backup.task:
    id: 104
    state: started

- name: Wait for it later, and fail on success with errors too
  corvane.backup.task:
    id: 104
    state: waited
    fail_on: warning

- name: Stop the mirror if it runs
  corvane.backup.task:
    name: Database mirror
    state: stopped

- name: Delete an old task
  corvane.backup.task:
    name: Old archive
    state: absent
'''

RETURN = r'''
name:
  description: The task's name.
  returned: when the task was found, or asked by name
  type: str
  sample: Nightly
id:
  description: The task's id.
  returned: when asked by id
  type: int
  sample: 104
outcome:
  description:
    - What cvcc did, in the words of its JSON document; in check mode, what it would do.
    - C(started), C(ended), C(busy), C(stopping), C(not running), C(deleting), C(not found),
      and C(waiting) for a busy task in check mode or a wait that was ended.
  returned: when cvcc reported on the task
  type: str
  sample: ended
status:
  description:
    - The status a waited run ended in; otherwise the status the task had. A TaskStatus
      ordinal as the server sends it.
  returned: when known; not after a start without a wait
  type: int
  sample: 6
status_text:
  description: I(status) in cvcc's words.
  returned: with I(status)
  type: str
  sample: success
state:
  description: I(status) as a monitoring state, by the mapping of C(cvcc --Check).
  returned: with I(status)
  type: str
  choices: [ok, warning, critical, unknown]
  sample: ok
busy:
  description: Whether I(status) is a task at work (backing up, restoring or synchronizing).
  returned: with I(status)
  type: bool
  sample: false
polls:
  description: The status polls of the wait, 3000 ms apart.
  returned: after a wait that saw the end
  type: int
  sample: 12
log:
  description: The last I(log_lines) lines of the task's log, oldest first.
  returned: when I(fail_on) failed the module and the server has a log for the task
  type: list
  elements: str
  sample: ["2026-12-06 23:41:18 Error: not enough free space", "2026-12-06 23:41:18 Backup ended: error"]
rc:
  description: cvcc's exit code.
  returned: failure, but not in check mode's prediction
  type: int
  sample: 2
stderr:
  description: cvcc's standard error.
  returned: failure, but not in check mode's prediction
  type: str
  sample: "cvcc: interrupted; the task keeps running on the server"
'''

from ansible.module_utils.basic import AnsibleModule

from ansible_collections.corvane.backup.plugins.module_utils import cvcc
from ansible_collections.corvane.backup.plugins.module_utils.results import (
    find, last_lines, predicted_entry, run_result, task_entry, task_result, task_rows)

OPTIONS = dict(
    cvcc=dict(type='str', default='cvcc'),
    name=dict(type='str'),
    id=dict(type='int'),
    state=dict(type='str', default='started', choices=['started', 'stopped', 'absent', 'waited']),
    wait=dict(type='bool', default=False),
    wait_timeout=dict(type='int'),
    fail_on=dict(type='str', default='critical', choices=['critical', 'warning', 'never']),
    log_lines=dict(type='int', default=50),
)

# The task key of each state, by name; the same with "Id" takes an id.
_KEYS = {'started': '--Execute', 'stopped': '--Stop', 'absent': '--Delete', 'waited': '--Wait'}


def predict(module, argument):
    """Check mode: what cvcc would do, from the task list alone."""
    params = module.params
    listing = cvcc.run_or_fail(module, ['--List'])
    row = find(task_rows(listing.document), params['name'], params['id'])
    result, failure = task_result(params['state'], predicted_entry(params['state'], row, argument, params['id']),
                                  params['fail_on'])
    if failure is not None:
        module.fail_json(msg=failure, **result)
    module.exit_json(**result)


def add_log(module, key, argument, result):
    """Adds the last log_lines lines of the task's log to a failed result,
    and answers what the message should add when there are none."""
    count = module.params['log_lines']
    if count == 0:
        return ''
    read = cvcc.start(module, ['--LogId' if key.endswith('Id') else '--Log', argument])
    reading_failed = cvcc.run_failure(read)
    if reading_failed is not None:
        return '; its log could not be read: ' + reading_failed
    lines = last_lines(read.document, count)
    if lines is None:
        return "; The task's log is not available"
    result['log'] = lines
    return ''


def main():
    module = AnsibleModule(argument_spec=OPTIONS, supports_check_mode=True,
                           mutually_exclusive=[('name', 'id')], required_one_of=[('name', 'id')])
    params = module.params
    if params['wait_timeout'] is not None and params['wait_timeout'] < 1:
        module.fail_json(msg='wait_timeout must be 1 second or more, not %d' % params['wait_timeout'])
    if params['log_lines'] < 0:
        module.fail_json(msg='log_lines must be 0 or more, not %d' % params['log_lines'])
    argument = params['name'] if params['id'] is None else str(params['id'])
    if module.check_mode:
        predict(module, argument)

    state = params['state']
    key = _KEYS[state] + ('' if params['id'] is None else 'Id')
    waits = state == 'waited' or (state == 'started' and params['wait'])
    ran = cvcc.start(module, [key, argument], timeout=params['wait_timeout'] if waits else None,
                     stop_once_waiting=state == 'started' and not params['wait'])
    entry = task_entry(ran.document)
    result, failure = run_result(state, entry, params['fail_on'], cvcc.run_failure(ran, params['wait_timeout']))
    if params['id'] is None:
        result.setdefault('name', params['name'])
    else:
        result.setdefault('id', params['id'])
    if failure is None:
        module.exit_json(**result)
    if result.get('outcome') in ('ended', 'not running'):
        failure += add_log(module, key, argument, result)
    cvcc.fail(module, ran, failure, **result)


if __name__ == '__main__':
    main()
