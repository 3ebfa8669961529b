"""Starts Orca for orca.sh: its debug log written out line by line, and blind to any other Orca.

Orca buffers its debug file and writes it out late; the script that drives it reads what was
said after each key, so every line is flushed as it is written.

Orca refuses to start while another Orca of the same user runs, and its --replace kills every
one of them: a blind developer running the check would lose their own screen reader. This Orca
lives on the check's private display and buses, so it neither looks for other Orcas nor takes
their process name, and nothing of the person's is touched. Arguments go to Orca unchanged.
"""
import sys

from orca import debug

_println = debug.println


def println(*args, **kwargs):
    _println(*args, **kwargs)
    if debug.debugFile:
        debug.debugFile.flush()


debug.println = println
if "--replace" in sys.argv or "-r" in sys.argv:
    sys.exit("orca_flushed.py: --replace would end the person's own Orca")
sys.argv = ["orca"] + sys.argv[1:]
launcher = {"__name__": "velti_orca", "__file__": "/usr/bin/orca"}
with open("/usr/bin/orca", encoding="utf-8") as source:
    exec(compile(source.read(), "/usr/bin/orca", "exec"), launcher)
launcher["otherOrcas"] = lambda: []
launcher["setProcessName"] = lambda name: None
sys.exit(launcher["main"]())
