@echo off
rem brask_torvik: installs the autopilot into an aircraft's panel.cfg. It adds two windows
rem (Autopilot, Autopilot Joystick Channels) and A_Pilot on the main panel and in the virtual
rem cockpit, keeps everything else as it was, keeps the original as panel.cfg.before_brask_torvik,
rem and checks the result before it replaces the file. Running it again changes nothing.
rem Drop the panel.cfg on this file, or run:  install_panel "C:\...\panel\panel.cfg"
if "%~1"=="" (
    echo Drop an aircraft's panel.cfg on install_panel.bat, or run:  install_panel PATH\panel.cfg
    pause
    exit /b 2
)
"%~dp0tools\gaugehost.exe" --module "%~dp0gauges\BRASK_TORVIK_V1_0.gau" panel-install "%~1"
pause
