@echo off
rem Runs the test programs of this kit; see readme.txt.
"%~dp0bin\run-tests.exe" %*
exit /b %ERRORLEVEL%
