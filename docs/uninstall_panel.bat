@echo off
rem brask_torvik: takes out of an aircraft's panel.cfg exactly what install_panel.bat added.
rem Drop the panel.cfg on this file, or run:  uninstall_panel "C:\...\panel\panel.cfg"
if "%~1"=="" (
    echo Drop an aircraft's panel.cfg on uninstall_panel.bat, or run:  uninstall_panel PATH\panel.cfg
    pause
    exit /b 2
)
"%~dp0tools\gaugehost.exe" --module "%~dp0gauges\BRASK_TORVIK_V1_0.gau" panel-uninstall "%~1"
pause
