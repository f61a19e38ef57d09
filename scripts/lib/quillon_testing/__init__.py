"""Quillon's Python test helpers, one package: the pseudo-terminal standing in for a serial
port (pty), the Windows programs under Wine (wine_harness), and an X11 client for the window
under Xvfb (x11_client). Put scripts/lib on sys.path and import from quillon_testing."""
