' Says whether the driver can be created by its ProgID.
On Error Resume Next
Dim driver
Set driver = CreateObject("OrtaEq.SvcGateServiceTerminal")
If Err.Number = 0 Then WScript.Echo "created" Else WScript.Echo "not registered"
