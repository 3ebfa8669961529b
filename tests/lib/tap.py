"""Results of the python checks, one line each as the shell checks print them:
"ok - what was checked" or "not ok - what was checked (what was found)", then the totals.

    sys.path.insert(0, <this folder>)
    from tap import check, finish
    check("the icon is 16 by 16", size == (16, 16), size)
    sys.exit(finish())
"""

passed = 0
failed = 0


def check(description, condition, detail=""):
    """Counts and prints one result; returns whether it passed, so a caller can skip what
    depends on it."""
    global passed, failed
    if condition:
        passed += 1
        print("ok - " + description)
    else:
        failed += 1
        note = "" if detail in ("", None) else " (%s)" % (detail,)
        print("not ok - " + description + note)
    return bool(condition)


def finish():
    """Prints the totals and gives the exit status: 0 only if every check passed, and there
    was at least one."""
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not passed else 0
