@echo off
rem Runs the test programs of this kit; see readme.txt.
setlocal DisableDelayedExpansion
rem The kit may sit in a folder named with & ^ % ! or parentheses: its path
rem goes only into quoted arguments, and cmdcmdline is read with ! below,
rem which never parses what it reads.
set "kit=%~dp0"
rem Double-clicked, the window closes as this ends: only then may anything
rem wait for a key (cmd.exe /c names this file; a prompt's cmd does not).
set "own="
setlocal EnableDelayedExpansion
set "line=!cmdcmdline!"
if defined line set "line=!line:"=!"
if defined line if /i not "!line: /c =!"=="!line!" if /i not "!line:%~nx0=!"=="!line!" set "own=1"
endlocal & set "own=%own%"
set "pause=--no-pause"
if defined own set "pause="

if not exist "%kit%bin\run-tests.exe" goto missing
"%kit%bin\run-tests.exe" %pause% %*
set "code=%ERRORLEVEL%"
rem The runner's own codes; any other is Windows' when it cannot start it, or a crash.
for %%c in (0 1 2) do if "%code%"=="%%c" exit /b %%c
echo.
echo run-tests.cmd: bin\run-tests.exe did not start or did not finish (exit code %code%).
if "%code%"=="4551" echo Smart App Control or an App Control policy blocked it.
if "%code%"=="1260" echo A policy of this computer blocks programs in this folder.
if "%code%"=="225" echo The antivirus program took it for malware.
if "%code%"=="226" echo The antivirus program took it for malware and removed it.
echo readme.txt says what to do, under "If Windows blocks the programs".
goto end

:missing
set "code=2"
echo run-tests.cmd: bin\run-tests.exe is missing beside this file.
echo Unpack the whole zip first (right-click it, Extract All), then start
echo run-tests.cmd in the folder unpacked: opened inside the zip, Windows
echo takes out this one file alone.

:end
if defined own pause
exit /b %code%
