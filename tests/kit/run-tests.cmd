@echo off
rem Runs the test programs of this kit; see readme.txt.
setlocal
rem Double-clicked, the window closes as this ends: only then may the runner
rem wait for a key (cmd.exe /c names this file; a prompt's cmd does not).
set "pause=--no-pause"
echo(%cmdcmdline% | find /i "%~f0" >nul && set "pause="
"%~dp0bin\run-tests.exe" %pause% %*
exit /b %ERRORLEVEL%
