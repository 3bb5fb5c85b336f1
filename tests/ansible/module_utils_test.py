"""The collection's module_utils in plain Python: the mapping of cvcc's JSON
documents to the modules' results; how a run of cvcc is ended, against a
stand-in for cvcc; and each module's argument_spec against its
DOCUMENTATION.

Usage: python3 module_utils_test.py COLLECTION_DIR
"""

import os
import signal
import sys
import tempfile
import threading
import unittest

import yaml

sys.dont_write_bytecode = True  # nothing written into the source tree

COLLECTION = os.path.abspath(sys.argv.pop(1))
_root = tempfile.TemporaryDirectory()
os.makedirs(os.path.join(_root.name, 'ansible_collections', 'corvane'))
os.symlink(COLLECTION, os.path.join(_root.name, 'ansible_collections', 'corvane', 'backup'))
sys.path.insert(0, _root.name)

from ansible_collections.corvane.backup.plugins.module_utils import cvcc, results  # noqa: E402
from ansible_collections.corvane.backup.plugins.modules import task, task_info  # noqa: E402


def listing(*tasks):
    return {'tasks': [{'id': i, 'name': n, 'status': t, 'statusNumber': s} for i, n, t, s in tasks]}


IDLE = {'id': 7, 'name': 'Mail', 'status': 4, 'status_text': 'idle', 'state': 'ok', 'busy': False}
BUSY = {'id': 8, 'name': 'Mirror', 'status': 2, 'status_text': 'synchronizing', 'state': 'ok', 'busy': True}


def entry(outcome, status=None, **members):
    e = {'argument': members.pop('argument', 'Nightly'), 'name': 'Nightly', 'outcome': outcome}
    if status is not None:
        e['statusNumber'], e['status'] = status
    e.update(members)
    return e


ERROR, SUCCESS, WITH_ERRORS, STOPPED, IDLE_STATUS, BACKUP, PAST = (
    (8, 'error'), (6, 'success'), (14, 'success w/errors'), (10, 'stopped'), (4, 'idle'), (0, 'backuping'),
    (16, 'unknown'))


class DocumentsToResults(unittest.TestCase):
    def test_listing_rows(self):
        rows = results.task_rows(listing((1, 'A', 'declined', 13), (2, 'B', 'synchronizing', 2),
                                         (3, 'C', 'refreshing', 3), (4, 'D', 'unknown', 4000000000)))
        self.assertEqual(rows, [
            {'id': 1, 'name': 'A', 'status': 13, 'status_text': 'declined', 'state': 'critical', 'busy': False},
            {'id': 2, 'name': 'B', 'status': 2, 'status_text': 'synchronizing', 'state': 'ok', 'busy': True},
            {'id': 3, 'name': 'C', 'status': 3, 'status_text': 'refreshing', 'state': 'ok', 'busy': False},
            {'id': 4, 'name': 'D', 'status': 4000000000, 'status_text': 'unknown', 'state': 'unknown',
             'busy': False},
        ])
        self.assertEqual(results.task_rows({'tasks': []}), [])

    def test_selection_and_search(self):
        rows = [dict(IDLE), dict(BUSY), dict(IDLE, id=9)]
        for names, ids, expected in [
            (None, None, [7, 8, 9]),
            (['Mail'], None, [7, 9]),
            (None, [8, 99], [8]),
            (['Mirror'], [9], [8, 9]),
            (['Nope'], [], []),
        ]:
            with self.subTest(names=names, ids=ids):
                self.assertEqual([r['id'] for r in results.select(rows, names, ids)], expected)
        self.assertEqual(results.find(rows, name='Mail')['id'], 7)
        self.assertEqual(results.find(rows, task_id=9)['id'], 9)
        self.assertIsNone(results.find(rows, name='Nope'))
        self.assertIsNone(results.find(rows, name='Mail', task_id=99))

    def test_fail_on(self):
        # By the state a run ended in: which of critical, warning, never fail it.
        for status, failing in [(ERROR, ('critical', 'warning')), ((11, 'declined'), ('critical', 'warning')),
                                (WITH_ERRORS, ('warning',)), (STOPPED, ('warning',)), (SUCCESS, ()),
                                (PAST, ())]:
            for fail_on in ('critical', 'warning', 'never'):
                with self.subTest(status=status, fail_on=fail_on):
                    _, failure = results.task_result('started', entry('ended', status, polls=2), fail_on)
                    self.assertEqual(failure is not None, fail_on in failing)

    def test_task_results(self):
        # state, cvcc's entry, fail_on -> changed, the failure's message, the result's other members
        rows = [
            ('started', entry('started'), 'critical', True, None, {'outcome': 'started'}),
            ('started', entry('ended', SUCCESS, polls=3), 'critical', True, None,
             {'outcome': 'ended', 'polls': 3, 'status': 6, 'status_text': 'success', 'state': 'ok', 'busy': False}),
            ('started', entry('ended', ERROR, polls=1), 'critical', True, 'Nightly ended in error (critical)',
             {'state': 'critical'}),
            ('started', entry('busy', BACKUP), 'critical', False, None, {'busy': True}),
            ('started', entry('not found', argument='Nope'), 'critical', False, 'Task not found: Nope', {}),
            ('started', {'argument': '07', 'id': 7, 'outcome': 'not found'}, 'critical', False,
             'Task id not found: 7', {'id': 7}),
            ('stopped', entry('stopping', BACKUP), 'critical', True, None, {'outcome': 'stopping'}),
            ('stopped', entry('not running', ERROR), 'critical', False, None, {'state': 'critical'}),
            ('stopped', entry('not found'), 'critical', False, 'Task not found: Nightly', {}),
            ('absent', entry('deleting', IDLE_STATUS), 'critical', True, None, {'outcome': 'deleting'}),
            ('absent', entry('not found'), 'critical', False, None, {'outcome': 'not found'}),
            ('absent', entry('busy', BACKUP), 'critical', False, 'Task is busy: Nightly', {}),
            ('waited', entry('ended', WITH_ERRORS, polls=4), 'critical', False, None, {'polls': 4}),
            ('waited', entry('ended', WITH_ERRORS, polls=4), 'warning', False,
             'Nightly ended in success w/errors (warning)', {}),
            # A task that was not running is judged by how its last run ended.
            ('waited', entry('not running', ERROR), 'critical', False, 'Nightly ended in error (critical)', {}),
            ('waited', entry('not running', ERROR), 'never', False, None, {}),
            ('waited', entry('not found'), 'critical', False, 'Task not found: Nightly', {}),
        ]
        for state, e, fail_on, changed, failure, members in rows:
            with self.subTest(state=state, entry=e, fail_on=fail_on):
                result, message = results.task_result(state, e, fail_on)
                self.assertEqual((result['changed'], message), (changed, failure))
                self.assertEqual({k: result[k] for k in members}, members)

    def test_check_mode_predicts_what_cvcc_would_report(self):
        # state, the task's row -> the outcome, whether it would change, fail
        for state, row, outcome, changed, fails in [
            ('started', IDLE, 'started', True, False),
            ('started', BUSY, 'busy', False, False),
            ('started', None, 'not found', False, True),
            ('stopped', BUSY, 'stopping', True, False),
            ('stopped', IDLE, 'not running', False, False),
            ('stopped', None, 'not found', False, True),
            ('absent', IDLE, 'deleting', True, False),
            ('absent', BUSY, 'busy', False, True),
            ('absent', None, 'not found', False, False),
            ('waited', BUSY, 'waiting', False, False),
            ('waited', IDLE, 'not running', False, False),
            ('waited', None, 'not found', False, True),
        ]:
            with self.subTest(state=state, row=row):
                predicted = results.predicted_entry(state, row, '7', 7)
                self.assertEqual(predicted['outcome'], outcome)
                result, failure = results.task_result(state, predicted, 'critical')
                self.assertEqual((result['changed'], failure is not None), (changed, fails))
        # A run not yet made has no status to show.
        self.assertNotIn('status', results.task_result('started', results.predicted_entry(
            'started', IDLE, 'Mail'), 'critical')[0])

    def test_failures_of_a_whole_run(self):
        denied = {'error': {'message': 'Access denied', 'exception': {'name': 'AccessDenied'}}}
        hint = 'cvcc: no Coordinator answered at localhost:1755 (default port)\n'
        for document, rc, stderr, expected in [
            ({'tasks': []}, 0, '', None),
            ({'tasks': [entry('not found')]}, 2, '', None),
            (denied, 1, '', 'Access denied'),
            ({'error': {'message': 'std::exception'}}, 1, hint,
             'std::exception; cvcc: no Coordinator answered at localhost:1755 (default port)'),
            (None, -9, '', 'cvcc ended by signal 9 and printed no JSON document'),
            (None, 134, 'terminate called\r\n', 'cvcc exited with 134 and printed no JSON document; terminate called'),
        ]:
            with self.subTest(document=document, rc=rc):
                self.assertEqual(results.document_failure(document, rc, stderr), expected)
        # The failure of the run wins over what its entry says; a run that
        # wrote no entry still fails.
        self.assertEqual(results.run_result('started', entry('started'), 'critical', 'still running after 5 s'),
                         ({'changed': True, 'outcome': 'started', 'name': 'Nightly'}, 'still running after 5 s'))
        self.assertEqual(results.run_result('started', None, 'critical', 'Access denied'),
                         ({'changed': False}, 'Access denied'))

    def test_stderr_on_a_terminal(self):
        progress = 'Running task: Nightly\r\nWaiting...\r\nCompleted with status: error\r\n\r\n'
        self.assertEqual(results.hints(progress + 'cvcc: the hint\r\n'), ['cvcc: the hint'])
        self.assertEqual(results.hints('Waiting for task: Mirror\nWaiting\ncvcc: interrupted; the task keeps'
                                       ' running on the server\n'),
                         ['cvcc: interrupted; the task keeps running on the server'])
        for stderr, begun in [('Running task: Nightly\r\n', False), ('Running task: Nightly\r\nWait', False),
                              ('Running task: Nightly\r\nWaiting', True), ('Running task: Waiting\r\n', False),
                              ('Running task: Nightly\r\nWaiting..', True)]:
            with self.subTest(stderr=stderr):
                self.assertEqual(results.wait_begun(stderr), begun)

    def test_last_log_lines(self):
        log = {'tasks': [{'argument': 'A', 'name': 'A', 'outcome': 'log', 'lines': ['1', '2', '3']}]}
        self.assertEqual(results.last_lines(log, 2), ['2', '3'])
        self.assertEqual(results.last_lines(log, 50), ['1', '2', '3'])
        self.assertEqual(results.last_lines({'tasks': [{'argument': 'A', 'outcome': 'no log'}]}, 5), None)


# A stand-in for cvcc in a wait: like cvcc, it catches SIGTERM before the
# wait begins, shows its progress only on a terminal, and a SIGTERM ends the
# wait with the document and exit 143.
STAND_IN = r"""#!/bin/sh
trap 'printf "\ncvcc: interrupted; the task keeps running on the server\n" >&2
      echo "{\"tasks\":[{\"name\":\"Nightly\",\"outcome\":\"started\"}],\"interrupted\":{\"signal\":15}}"
      exit 143' TERM
[ -t 2 ] && printf 'Running task: Nightly\nWaiting' >&2
while :; do sleep 0.1; done
"""


class RunningCvcc(unittest.TestCase):
    def setUp(self):
        self.program = os.path.join(_root.name, 'cvcc')
        with open(self.program, 'w') as f:
            f.write(STAND_IN)
        os.chmod(self.program, 0o755)

    def assert_ended_its_wait(self, run, ended_by, passed_on=0):
        self.assertEqual((run.rc, run.ended_by, run.passed_on), (143, ended_by, passed_on))
        self.assertEqual(run.document['interrupted'], {'signal': 15})
        self.assertIn('cvcc: interrupted; the task keeps running on the server', results.hints(run.stderr))

    def test_a_start_without_a_wait_ends_once_the_wait_begins(self):
        # The timeout only ends a run that would otherwise never end.
        run = cvcc.run(self.program, ['--Execute', 'Nightly'], timeout=60, stop_once_waiting=True)
        self.assert_ended_its_wait(run, 'started')
        self.assertTrue(results.wait_begun(run.stderr))

    def test_a_wait_ends_at_its_timeout(self):
        run = cvcc.run(self.program, ['--Wait', 'Nightly'], timeout=1)
        self.assert_ended_its_wait(run, 'timeout')
        self.assertEqual(cvcc.run_failure(run, 1),
                         'still running after 1 s; cvcc: interrupted; the task keeps running on the server')

    def test_a_signal_to_the_module_reaches_cvcc_once(self):
        previous = signal.getsignal(signal.SIGTERM)
        timer = threading.Timer(1, os.kill, (os.getpid(), signal.SIGTERM))
        timer.start()
        try:
            run = cvcc.run(self.program, ['--Wait', 'Nightly'])
        finally:
            timer.cancel()
        self.assert_ended_its_wait(run, None, signal.SIGTERM)
        self.assertEqual(cvcc.run_failure(run),
                         'interrupted by SIGTERM; cvcc: interrupted; the task keeps running on the server')
        self.assertIs(signal.getsignal(signal.SIGTERM), previous)


class Documentation(unittest.TestCase):
    def test_options_equal_the_argument_spec(self):
        for module in (task, task_info):
            with self.subTest(module=module.__name__):
                documented = yaml.safe_load(module.DOCUMENTATION)['options']
                self.assertEqual(sorted(documented), sorted(module.ARGUMENT_SPEC))
                for name, accepted in module.ARGUMENT_SPEC.items():
                    doc = documented[name]
                    for key in ('type', 'default', 'choices', 'elements', 'required'):
                        self.assertEqual(doc.get(key), accepted.get(key), '%s: %s' % (name, key))
                for block in ('EXAMPLES', 'RETURN'):
                    self.assertTrue(yaml.safe_load(getattr(module, block)), block)


if __name__ == '__main__':
    unittest.main()
