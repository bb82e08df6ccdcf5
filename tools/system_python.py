"""Hands a generator over to Debian's own Python when the interpreter first
on PATH (a pyenv or venv one, often) lacks the Debian packages it needs."""

import importlib
import os
import sys


def require(*modules):
    try:
        for module in modules:
            importlib.import_module(module)
    except ImportError:
        if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
            os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
        raise
