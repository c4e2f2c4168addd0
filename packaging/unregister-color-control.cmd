@echo off
rem Removes the registration of the "Color Control" video effect,
rem OrvoColorControl.dll in this folder. Run it as administrator before deleting
rem or moving the folder; register-color-control.cmd registers it again.
setlocal
set "DLL=%~dp0OrvoColorControl.dll"
if not exist "%DLL%" goto missing
"%SystemRoot%\System32\regsvr32.exe" /s /u "%DLL%"
set "CODE=%ERRORLEVEL%"
if not "%CODE%"=="0" goto failed
echo Unregistered the Color Control video effect: "%DLL%"
exit /b 0

:missing
echo ERROR: "%DLL%" is missing; it cannot be unregistered from this folder.
exit /b 2

:failed
echo ERROR: could not unregister "%DLL%" (regsvr32 exit code %CODE%).
rem regsvr32 exit codes: 3 the DLL cannot be loaded, 4 it has no DllUnregisterServer entry point, 5 the
rem unregistering itself failed (on Windows mostly for want of administrator rights).
if "%CODE%"=="3" echo The DLL cannot be loaded: unzip the whole package again.
if "%CODE%"=="5" echo Run this file as administrator: right-click it, "Run as administrator".
exit /b 1
