"""Starts Orca with its debug log written out line by line.

Orca buffers its debug file and writes it out late; the script that drives it reads what was
said after each key, so every line is flushed as it is written. Arguments go to Orca unchanged.
"""
import runpy
import sys

from orca import debug

_println = debug.println


def println(*args, **kwargs):
    _println(*args, **kwargs)
    if debug.debugFile:
        debug.debugFile.flush()


debug.println = println
sys.argv = ["orca"] + sys.argv[1:]
runpy.run_path("/usr/bin/orca", run_name="__main__")
