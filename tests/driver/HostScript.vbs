' A cash desk's host in miniature: it creates the equipment manager and the
' driver by their ProgIDs and calls the driver by name, passing its variables
' by reference, as the accounting host does. A call and a read of what it wrote
' back stay in separate statements, since the script engine may read first.
Option Explicit
Dim manager, driver, ok, description, output, info, settings, matrix

Set manager = CreateObject("SvcGate.TestEqManager")
manager.SetAppProperty "DevicesFolder", "C:\"
Set driver = CreateObject("OrtaEq.SvcGateServiceTerminal")

ok = driver.Init(manager, description)
WScript.Echo "Init: " & ok & " " & description
ok = driver.Open("DEV1", description)
WScript.Echo "Open: " & ok & " " & description
ok = driver.Init(5, description)
WScript.Echo "Init with a number: " & ok & " " & description
ok = driver.Init(manager, description)

ok = driver.GetDeviceInfo(Empty, info, 0)
WScript.Echo "GetDeviceInfo: " & ok & " " & UBound(info) & " " & info(0) & " " & TypeName(info(3)) & " " & TypeName(info(8))

ok = driver.GetSettings(Empty, settings, 0)
matrix = settings(0)
WScript.Echo "GetSettings: " & ok & " " & UBound(matrix, 1) & " " & UBound(matrix, 2) & " " & matrix(0, 0) & "=" & matrix(1, 0)
matrix(1, 0) = 30
ok = driver.SetSettings(Array(matrix), output, 0)
WScript.Echo "SetSettings: " & ok
ok = driver.GetSettings(Empty, settings, 0)
matrix = settings(0)
WScript.Echo "DefaultTimeOut now: " & matrix(1, 0)
ok = driver.SetSettings(5, output, 0)
WScript.Echo "SetSettings with a number: " & ok & " " & output(0) & " " & output(1)
output = "untouched"
ok = driver.SetSettings(5, (output), 0)
WScript.Echo "SetSettings with OutData by value: " & ok & " " & output

ok = driver.Enable(Empty, output, 0)
WScript.Echo "Enable: " & ok
ok = driver.GetServiceCodes(Empty, output, 0)
WScript.Echo "GetServiceCodes: " & ok & " " & output(0) & " " & output(1)
ok = driver.GetServiceParams(Array(5), output, 0)
WScript.Echo "GetServiceParams with a number: " & ok & " " & output(0)
ok = driver.CheckHealth(Empty, output, 0)
WScript.Echo "CheckHealth: " & ok
ok = driver.Disable(Empty, output, 0)
WScript.Echo "Disable: " & ok
ok = driver.Close()
WScript.Echo "Close: " & ok
WScript.Echo "manager calls: " & manager.CallCount()
WScript.Echo "DONE"
