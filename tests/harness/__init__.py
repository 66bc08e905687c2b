"""Test harness of the client: runs the native tests, the Windows tests under
Wine and the scenario tests, and sums up their results."""
