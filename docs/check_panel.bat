@echo off
rem brask_torvik: checks an aircraft's panel.cfg for the autopilot's gauges, then draws each of its
rem windows that holds them into the folder panel_pictures beside this file.
rem Drop the panel.cfg on this file, or run:  check_panel "C:\...\panel\panel.cfg"
if "%~1"=="" (
    echo Drop an aircraft's panel.cfg on check_panel.bat, or run:  check_panel PATH\panel.cfg
    pause
    exit /b 2
)
rem The recorder, when its file is beside the autopilot's, is checked and drawn as well.
set recorder=
if exist "%~dp0gauges\BRASK_TORVIK_REC.gau" set recorder=--recorder "%~dp0gauges\BRASK_TORVIK_REC.gau"
"%~dp0tools\gaugehost.exe" --module "%~dp0gauges\BRASK_TORVIK_V1_0.gau" %recorder% panel-check "%~1"
if not exist "%~dp0panel_pictures" mkdir "%~dp0panel_pictures"
"%~dp0tools\gaugehost.exe" --module "%~dp0gauges\BRASK_TORVIK_V1_0.gau" %recorder% panel-render "%~1" "%~dp0panel_pictures"
pause
