' The notes on the screen as a VBScript user reaches them, while qpost runs.
Option Explicit
Dim live, created, waited, failures
failures = 0

Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

' Wine's VBScript has no GetObject(, class): the running-object path is the tray tests'
' GetActiveObject. A creation before qpost offers the class starts a second copy, which
' ends quietly; the script asks again.
On Error Resume Next
For waited = 1 To 40
    Set live = CreateObject("Quillpost.Notes")
    If Err.Number = 0 Then Exit For
    Err.Clear
    WScript.Sleep 500
Next
On Error GoTo 0
If Not IsObject(live) Then
    WScript.Echo "FAIL: CreateObject reaches the running qpost"
    WScript.Quit 1
End If

Set created = CreateObject("Quillpost.Notes")
created.AddNote().Text = "added by VBScript"
Check live.Notes.Count = 1, "two creations reach the same notes"
Check live.Notes(1).Text = "added by VBScript", "a note's text crosses the processes"

If failures = 0 Then WScript.Echo "vbscript live ok" Else WScript.Quit 1
