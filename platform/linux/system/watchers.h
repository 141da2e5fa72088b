// The system's announcements to top-level windows, started once by the
// message queue when it takes the first full-screen window (internal to
// the layer).
#pragma once

// Suspend and resume (systemd-logind, on the system bus), and a change of
// the mains supply (polled once a second), as WM_POWERBROADCAST (power.cpp).
void watchPowerEvents();

// The monitor's power saving (the X server's DPMS, polled once a second)
// as WM_SYSCOMMAND SC_MONITORPOWER (monitor_power.cpp).
void watchMonitorPower();

// The monitors' layout and the screen's size (RandR's screen changes, and
// the monitors compared once a second) as WM_DISPLAYCHANGE
// (window/x11_monitor.cpp).
void watchDisplayChanges();
