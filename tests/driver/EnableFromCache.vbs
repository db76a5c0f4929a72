' Enables the driver against the gateway at the URL given and prints what the
' host then sees of the catalogue, whether it came from the gateway or from the
' cache files of the machine's data folder.
Option Explicit
Dim manager, driver, ok, description, output, settings, matrix, j

Set manager = CreateObject("SvcGate.TestEqManager")
manager.SetAppProperty "DevicesFolder", "C:\"
Set driver = CreateObject("OrtaEq.SvcGateServiceTerminal")
ok = driver.Init(manager, description)
ok = driver.Open("DEV1", description)
ok = driver.GetSettings(Empty, settings, 0)
matrix = settings(0)
For j = 0 To UBound(matrix, 2)
    Select Case matrix(0, j)
        Case "Server1URL": matrix(1, j) = WScript.Arguments(0)
        Case "Login": matrix(1, j) = "dealer"
        Case "Password": matrix(1, j) = "703B8088A80B"
        Case "TerminalID": matrix(1, j) = "77"
    End Select
Next
ok = driver.SetSettings(Array(matrix), output, 0)
ok = driver.Enable(Empty, output, 0)
WScript.Echo "Enable: " & ok

ok = driver.GetServiceCodes(Empty, output, 0)
For j = 0 To UBound(output(0), 2)
    WScript.Echo "service: " & output(0)(0, j) & " " & output(0)(1, j)
Next
ok = driver.GetServiceParams(Array("2001"), output, 0)
For j = 0 To UBound(output(0), 2)
    WScript.Echo "2001 field: " & output(0)(0, j) & " " & output(0)(1, j)
Next
ok = driver.GetServiceComission(Array("1001", 500), output, 0)
WScript.Echo "1001 commission on 500: " & ok & " " & output(0) & " " & output(1)
ok = driver.Disable(Empty, output, 0)
ok = driver.Close()
WScript.Echo "DONE"
