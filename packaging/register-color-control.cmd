@echo off
rem Registers the "Color Control" video effect, OrvoColorControl.dll in this
rem folder, so that ORVO Video Playback offers Display > Brightness/Contrast.
rem Run it once after unzipping, as administrator (right-click, "Run as
rem administrator"). Run unregister-color-control.cmd before deleting or moving
rem the folder.
setlocal
set "DLL=%~dp0OrvoColorControl.dll"
if not exist "%DLL%" goto missing
"%SystemRoot%\System32\regsvr32.exe" /s "%DLL%"
set "CODE=%ERRORLEVEL%"
if not "%CODE%"=="0" goto failed
echo Registered the Color Control video effect: "%DLL%"
exit /b 0

:missing
echo ERROR: "%DLL%" is missing; unzip the whole package and run this file again.
exit /b 2

:failed
echo ERROR: could not register "%DLL%" (regsvr32 exit code %CODE%).
rem regsvr32 exit codes: 3 the DLL cannot be loaded, 4 it has no DllRegisterServer entry point, 5 the
rem registering itself failed (on Windows mostly for want of administrator rights).
if "%CODE%"=="3" echo The DLL cannot be loaded: unzip the whole package again.
if "%CODE%"=="5" echo Run this file as administrator: right-click it, "Run as administrator".
exit /b 1
