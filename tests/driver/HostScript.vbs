' A cash desk's host in miniature: it creates the equipment manager and the
' driver by their ProgIDs and calls the driver by name, passing its variables
' by reference, as the accounting host does. A call and a read of what it wrote
' back stay in separate statements, since the script engine may read first.
Option Explicit
Dim manager, driver, ok, description, output, info, settings, matrix, j, params, payment

Sub Report(method, ok, output)
    Dim line, k
    line = method & ": " & ok
    If IsArray(output) Then
        For k = 0 To UBound(output)
            If Not IsArray(output(k)) Then line = line & " | " & output(k)
        Next
    End If
    WScript.Echo line
End Sub

Function Parameters(name, value)
    Dim table(1, 0)
    table(0, 0) = name
    table(1, 0) = value
    Parameters = table
End Function

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
WScript.Echo "GetDeviceInfo: " & ok & " " & UBound(info) & " " & info(0) & " " & info(1) & " " & TypeName(info(3)) & " " & TypeName(info(8))
ok = driver.SetSettings(5, output, 0)
WScript.Echo "SetSettings with a number: " & ok & " " & output(0) & " " & output(1)
output = "untouched"
ok = driver.SetSettings(5, (output), 0)
WScript.Echo "SetSettings with OutData by value: " & ok & " " & output

ok = driver.GetServiceCodes(Empty, output, 0)
Report "GetServiceCodes before Enable", ok, output
ok = driver.InitializeTerminal(Empty, output, 0)
Report "InitializeTerminal before Enable", ok, output

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
Report "Enable", ok, output
ok = driver.InitializeTerminal(Empty, output, 0)
Report "InitializeTerminal", ok, output

ok = driver.GetServiceCodes(Empty, output, 0)
WScript.Echo "GetServiceCodes: " & ok & " " & (UBound(output(0), 2) + 1) & " " & output(0)(0, 0) & " " & output(0)(1, 0)
ok = driver.GetServiceParams(Array("11111"), output, 0)
WScript.Echo "GetServiceParams 11111: " & ok & " " & UBound(output(0), 2) & " " & output(0)(0, 0) & " " & output(0)(4, 0)(0, 0) & "=" & output(0)(4, 0)(1, 0)
ok = driver.GetServiceParams(Array("inet-A1"), output, 0)
WScript.Echo "GetServiceParams inet-A1: " & ok & " " & output(0)(0, 0)
ok = driver.GetServiceParams(Array("INET-a1"), output, 0)
Report "GetServiceParams in other letter case", ok, output
ok = driver.GetServiceGroups(Empty, output, 0)
Report "GetServiceGroups", ok, output

ok = driver.AuthorizeService(Array("1001", 0, 500, 500, Parameters("ACCOUNT", "9001234567")), output, 0)
Report "AuthorizeService without account", ok, output
ok = driver.AuthorizeService(Array("1001", 0, 999999, 999999, Parameters("account", "9001234567")), output, 0)
Report "AuthorizeService refused", ok, output
ok = driver.AuthorizeService(Array("1001", 0, 500, 500, Parameters("account", "9001234567")), output, 0)
Report "AuthorizeService", ok, output
payment = output(1)
ok = driver.GetAuthorizationStatus(Array("", "", " " & payment & " "), output, 0)
Report "GetAuthorizationStatus", ok, output
ok = driver.GetAuthorizationStatus(Array("", "", payment), output, 0)
Report "GetAuthorizationStatus again", ok, output
ok = driver.CancelServiceAuthorization(Array("SIM-1", ""), output, 0)
Report "CancelServiceAuthorization without payment", ok, output
ok = driver.GetAgentInfo(Empty, output, 0)
WScript.Echo "GetAgentInfo: " & ok & " " & output(5) & " " & output(10) & " " & output(11)

ok = driver.CheckHealth(Empty, output, 0)
WScript.Echo "CheckHealth: " & ok
ok = driver.Disable(Empty, output, 0)
WScript.Echo "Disable: " & ok
ok = driver.Close()
WScript.Echo "Close: " & ok
WScript.Echo "manager calls: " & manager.CallCount()
WScript.Echo "DONE"
