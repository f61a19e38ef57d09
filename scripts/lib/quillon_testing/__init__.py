"""Quillon's Python test helpers, one package: the pseudo-terminal standing in for a serial
port (pty), the Windows programs under Wine (wine_harness), an X11 client for the window
under Xvfb (x11_client) and the benchmarks' MQTT broker (mosquitto). Put scripts/lib on
sys.path and import from quillon_testing."""
