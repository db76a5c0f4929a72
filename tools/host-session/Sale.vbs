' A sale through the SvcGate driver, as an accounting host makes it: the driver
' and the equipment manager are created by their ProgIDs and called by name,
' host variables passed by reference. Run it with cscript against the gateway
' simulator (scripts/sale.sh does all of it).
Option Explicit
Dim manager, driver, ok, text, outData, settings, matrix, j, params, payment, transaction

Sub Show(method, ok, outData)
    Dim line, k
    line = method & ": " & ok
    If IsArray(outData) Then
        For k = 0 To UBound(outData)
            If Not IsArray(outData(k)) Then line = line & " | " & outData(k)
        Next
    End If
    WScript.Echo line
End Sub

' The host hands the driver its equipment manager, then the device's identifier.
Set manager = CreateObject("SvcGate.TestEqManager")
manager.SetAppProperty "DevicesFolder", "C:\"
Set driver = CreateObject("OrtaEq.SvcGateServiceTerminal")
ok = driver.Init(manager, text)
WScript.Echo "Init: " & ok & " | " & text
ok = driver.Open("DEV1", text)
WScript.Echo "Open: " & ok & " | " & text

' Settings travel as one matrix: row 0 the identifiers, row 1 the values. The
' password is stored scrambled, as the settings dialog writes it ("secret").
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
ok = driver.SetSettings(Array(matrix), outData, 0)
WScript.Echo "SetSettings: " & ok

' Enabling connects to the gateway: numbering, configuration, catalogue.
ok = driver.Enable(Empty, outData, 0)
Show "Enable", ok, outData

' What can be sold, and what the cashier fills in for a mobile top-up.
ok = driver.GetServiceCodes(Empty, outData, 0)
WScript.Echo "GetServiceCodes: " & ok & " | " & (UBound(outData(0), 2) + 1) & " services"
ok = driver.GetServiceParams(Array("1001"), outData, 0)
WScript.Echo "GetServiceParams: " & ok & " | " & outData(0)(0, 0) & " | " & outData(0)(2, 0)
ok = driver.GetServiceComission(Array("1001", 500), outData, 0)
Show "GetServiceComission", ok, outData
ok = driver.GetNeedIdentifyClient(Array("1001", "+79001234567"), outData, 0)
Show "GetNeedIdentifyClient", ok, outData

' The payment: 500 credited, 500 paid in, the account from the cashier.
ReDim params(1, 0)
params(0, 0) = "account"
params(1, 0) = "9001234567"
ok = driver.AuthorizeService(Array("1001", 0, 500, 500, params), outData, 0)
Show "AuthorizeService", ok, outData
' The host keeps the transaction and payment identifiers for later questions.
If ok Then
    transaction = outData(0)
    payment = outData(1)
    WScript.Echo "SALE REGISTERED: payment " & payment & ", transaction " & transaction
    ok = driver.GetAuthorizationStatus(Array("", "", payment), outData, 0)
    Show "GetAuthorizationStatus", ok, outData
    ok = driver.CancelServiceAuthorization(Array(transaction, payment), outData, 0)
    Show "CancelServiceAuthorization", ok, outData
End If

ok = driver.GetAgentInfo(Empty, outData, 0)
Show "GetAgentInfo", ok, outData
ok = driver.Disable(Empty, outData, 0)
WScript.Echo "Disable: " & ok
ok = driver.Close()
WScript.Echo "Close: " & ok
WScript.Echo "DONE"
