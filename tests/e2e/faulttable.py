"""The fault table: one row for each fault scenario (what it was expected to
give, what it gave, partial files, replaced targets and foreign bytes placed), kept in
build/e2e/faults.txt for the test command to print."""

from vek.harness.facts import ARTIFACTS

FAULT_TABLE = ARTIFACTS / "faults.txt"
_FAULT_COLUMNS = [("scenario", 40), ("expected", 44), ("seen", 44), ("partial", 8), ("replaced", 8),
                  ("foreign", 8)]
_fault_rows = []


def record_fault(scenario, expected, seen, partial, replaced, foreign):
    """Adds a row to the fault table: what a fault scenario was expected to
    give, what it gave, how many partial files it left in the staging folder,
    how many existing targets it replaced and how many payload names in the
    target it left holding bytes that the executable does not carry. The table is rewritten in
    build/e2e/faults.txt after each row; the test command prints it."""
    _fault_rows.append((scenario, expected, seen, partial, replaced, foreign))
    lines = [" | ".join(name.ljust(width) for name, width in _FAULT_COLUMNS).rstrip()]
    for row in _fault_rows:
        lines.append(" | ".join(str(cell)[:width].ljust(width)
                                for cell, (_, width) in zip(row, _FAULT_COLUMNS)).rstrip())
    FAULT_TABLE.parent.mkdir(parents=True, exist_ok=True)
    FAULT_TABLE.write_text("\n".join(lines) + "\n")
