@echo off
rem brask_torvik: checks an aircraft's panel.cfg for the autopilot's gauges, then draws each of its
rem windows that holds them into the folder panel_pictures beside this file.
rem Drop the panel.cfg on this file, or run:  check_panel "C:\...\panel\panel.cfg"
if "%~1"=="" (
    echo Drop an aircraft's panel.cfg on check_panel.bat, or run:  check_panel PATH\panel.cfg
    pause
    exit /b 2
)
"%~dp0tools\gaugehost.exe" --module "%~dp0gauges\BRASK_TORVIK_V1_0.gau" panel-check "%~1"
if not exist "%~dp0panel_pictures" mkdir "%~dp0panel_pictures"
"%~dp0tools\gaugehost.exe" --module "%~dp0gauges\BRASK_TORVIK_V1_0.gau" panel-render "%~1" "%~dp0panel_pictures"
pause
