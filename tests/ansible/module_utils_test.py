"""The collection's module_utils in plain Python, and each module's
accepted options against its DOCUMENTATION. Usage: module_utils_test.py COLLECTION_DIR
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
from ansible_collections.corvane.backup.plugins.doc_fragments import cvcc as shared_doc  # noqa: E402


def entry(outcome, status=None, text=''):
    e = {'argument': 'Nightly', 'name': 'Nightly', 'outcome': outcome}
    if status is not None:
        e['statusNumber'], e['status'] = status, text
    return e


# What the plays against bnsim do not show: the statuses' busy flag, fail_on
# and the waited task that was not running, runs that gave no document, the
# progress on a terminal, a task without a log.
class DocumentsToResults(unittest.TestCase):
    def test_busy_is_at_work(self):
        rows = results.task_rows({'tasks': [{'id': n, 'name': 'A', 'status': '', 'statusNumber': n}
                                            for n in (0, 2, 3, 4000000000)]})
        self.assertEqual([(r['busy'], r['state']) for r in rows],
                         [(True, 'ok'), (True, 'ok'), (False, 'ok'), (False, 'unknown')])

    def test_fail_on(self):
        # state, the status a waited run ended in, fail_on -> the failure
        for state, outcome, status, fail_on, failure in [
            ('started', 'ended', 8, 'warning', 'Nightly ended in error (critical)'),
            ('started', 'ended', 13, 'critical', 'Nightly ended in declined (critical)'),
            ('started', 'ended', 8, 'never', None),
            ('started', 'ended', 14, 'critical', None),
            ('waited', 'ended', 14, 'warning', 'Nightly ended in success w/errors (warning)'),
            ('waited', 'ended', 10, 'warning', 'Nightly ended in stopped (warning)'),
            ('waited', 'ended', 16, 'warning', None),  # unknown ranks below warning, as in --Check
            ('waited', 'ended', 6, 'warning', None),
            # A task that was not running is judged by how its last run ended.
            ('waited', 'not running', 8, 'critical', 'Nightly ended in error (critical)'),
            ('stopped', 'not running', 8, 'critical', None),
        ]:
            with self.subTest(state=state, outcome=outcome, status=status, fail_on=fail_on):
                text = {6: 'success', 8: 'error', 10: 'stopped', 13: 'declined', 14: 'success w/errors'}.get(status, '')
                self.assertEqual(results.task_result(state, entry(outcome, status, text), fail_on)[1], failure)

    def test_failures_of_a_whole_run(self):
        for document, rc, stderr, expected in [
            ({'tasks': [entry('not found')]}, 2, '', None),
            ({'error': {'message': 'std::exception'}}, 1, 'cvcc: no Coordinator answered\n',
             'std::exception; cvcc: no Coordinator answered'),
            (None, -9, '', 'cvcc ended by signal 9 and printed no JSON document'),
            (None, 134, 'terminate called\r\n', 'cvcc exited with 134 and printed no JSON document; terminate called'),
        ]:
            with self.subTest(document=document, rc=rc):
                self.assertEqual(results.document_failure(document, rc, stderr), expected)
        # The failure of the run wins over its entry; a run without an entry still fails.
        self.assertEqual(results.run_result('started', entry('started'), 'critical', 'still running after 5 s'),
                         ({'changed': True, 'outcome': 'started', 'name': 'Nightly'}, 'still running after 5 s'))
        self.assertIsNone(results.last_lines({'tasks': [{'argument': 'A', 'outcome': 'no log'}]}, 5))

    def test_stderr_on_a_terminal(self):
        progress = 'Running task: Nightly\r\nWaiting...\r\nCompleted with status: error\r\n\r\n'
        self.assertEqual(results.hints(progress + 'cvcc: the hint\r\n'), ['cvcc: the hint'])
        for stderr, begun in [('Running task: Nightly\r\n', False), ('Running task: Nightly\r\nWait', False),
                              ('Running task: Nightly\r\nWaiting', True), ('Running task: Waiting\r\n', False),
                              ('Running task: Nightly\r\nWaiting..', True)]:
            with self.subTest(stderr=stderr):
                self.assertEqual(results.wait_begun(stderr), begun)


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
    def test_accepted_options_are_the_documented_ones(self):
        def options(declared):
            return {name: {key: option.get(key) for key in ('type', 'default', 'choices', 'elements', 'required')}
                    for name, option in declared.items()}
        for module in (task, task_info):
            with self.subTest(module=module.__name__):
                # The module's own options, and those of the fragment it extends.
                documented = yaml.safe_load(shared_doc.ModuleDocFragment.DOCUMENTATION)['options']
                documented.update(yaml.safe_load(module.DOCUMENTATION)['options'])
                self.assertEqual(options(documented), options(module.OPTIONS))
                self.assertTrue(yaml.safe_load(module.EXAMPLES) and yaml.safe_load(module.RETURN))


if __name__ == '__main__':
    unittest.main()
