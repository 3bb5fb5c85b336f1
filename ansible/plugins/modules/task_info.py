#!/usr/bin/python
# Copyright (C) 2003-2026 Tarmelin Software. BSD-3-Clause (see LICENSE).

DOCUMENTATION = r'''
module: task_info
short_description: List the tasks of this host's backup server, with their state and logs
version_added: 1.0.0
description:
  - Lists the tasks of the Corvane backup server bound under the host's name,
    as C(cvcc --Json --List) answers, and with I(log) their logs (C(cvcc --Json --LogId)).
  - Read-only; it runs in check mode as it does otherwise.
options:
  name:
    description:
      - Only the tasks of these names. With I(id), the tasks that either selects.
      - A name that matches no task selects nothing.
    type: list
    elements: str
  id:
    description: Only the tasks of these ids. With I(name), the tasks that either selects.
    type: list
    elements: int
  log:
    description: Add each selected task's log lines, as the server hands them out.
    type: bool
    default: false
attributes:
  check_mode:
    support: full
    description: Sends nothing that changes the server, in check mode or not.
seealso:
  - module: corvane.backup.task
extends_documentation_fragment:
  - corvane.backup.cvcc
'''

EXAMPLES = r'''
- name: Read every task of the backup server
  corvane.backup.task_info:
  register: backup

- name: List the critical tasks
  ansible.builtin.debug:
    msg: "{{ backup.tasks | selectattr('state', 'equalto', 'critical') | map(attribute='name') | list }}"

- name: Read two tasks and their logs
  corvane.backup.task_info:
    name: [Nightly]
    id: [104]
    log: true
  register: selected
'''

RETURN = r'''
tasks:
  description: The selected tasks, in the server's order.
  returned: success
  type: list
  elements: dict
  contains:
    id:
      description: The task's id.
      type: int
      sample: 104
    name:
      description: The task's name.
      type: str
      sample: Nightly
    status:
      description: The task's status as the server sends it, a TaskStatus ordinal.
      type: int
      sample: 8
    status_text:
      description: The status in cvcc's words.
      type: str
      sample: error
    state:
      description:
        - The status as a monitoring state, by the mapping of C(cvcc --Check).
        - C(critical) for error and declined; C(warning) for success with errors and stopped;
          C(unknown) for a status past the last that cvcc knows; C(ok) for the rest
          (busy, refreshing, idle, success).
      type: str
      choices: [ok, warning, critical, unknown]
      sample: critical
    busy:
      description: Whether the task is at work (backing up, restoring or synchronizing).
      type: bool
      sample: false
    log:
      description: The task's log lines, oldest first.
      returned: with I(log=true), for a task whose log the server opens
      type: list
      elements: str
      sample: ["2026-12-06 23:41:18 Backup ended: error"]
'''

from ansible.module_utils.basic import AnsibleModule

from ansible_collections.corvane.backup.plugins.module_utils.cvcc import run_or_fail
from ansible_collections.corvane.backup.plugins.module_utils.results import select, task_rows

OPTIONS = dict(
    cvcc=dict(type='str', default='cvcc'),
    name=dict(type='list', elements='str'),
    id=dict(type='list', elements='int'),
    log=dict(type='bool', default=False),
)


def main():
    module = AnsibleModule(argument_spec=OPTIONS, supports_check_mode=True)
    listing = run_or_fail(module, ['--List'])
    tasks = select(task_rows(listing.document), module.params['name'], module.params['id'])
    if module.params['log'] and tasks:
        # By id, so that the log is the listed task's even where names repeat.
        logs = run_or_fail(module, ['--LogId'] + [str(task['id']) for task in tasks])
        lines = {}
        for entry in logs.document.get('tasks', []):
            if entry.get('outcome') == 'log':
                lines.setdefault(entry['id'], entry.get('lines', []))
        for task in tasks:
            if task['id'] in lines:
                task['log'] = lines[task['id']]
    module.exit_json(changed=False, tasks=tasks)


if __name__ == '__main__':
    main()
