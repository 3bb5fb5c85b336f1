# Copyright (C) 2003-2026 Tarmelin Software. BSD-3-Clause (see LICENSE).


class ModuleDocFragment(object):
    # What every module of the collection shares: the program it runs, how it
    # runs it, how a failure of cvcc's reaches the play, and where it runs.
    DOCUMENTATION = r'''
options:
  cvcc:
    description: The program cvcc, a path or a name looked up on the PATH.
    type: str
    default: cvcc
notes:
  - Runs C(cvcc) on the managed host with the module's environment, so the play's
    C(environment) reaches it (C(CVCC_CHECK_TIMEOUT), C(XDG_CONFIG_HOME) and C(HOME)
    for its registry file, omniORB's C(ORB...) variables and C(OMNIORB_CONFIG)).
  - No Coordinator, no server, access denied or a CORBA failure fail the module, with
    C(msg) holding the console's text and cvcc's hint from standard error, and C(rc)
    its exit code.
attributes:
  diff_mode:
    support: none
  platform:
    platforms: linux
    description: The backup host, where cvcc is installed.
requirements:
  - cvcc, the Corvane console client, on the managed host
author:
  - cvcc maintainers (@corvane)
'''
