' The library as a VBScript user drives it: variables pass by reference.
Option Explicit
Dim notes, a, b, id, flag, s, n, result, failures
failures = 0

Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Set notes = CreateObject("NoteLibrary.Notes")
Set a = notes.AddNote()
Set b = notes.AddNote()

s = "milk" & vbCrLf & "bread"
a.Text = s
Check a.Text = s, "Text let with a variable"
Check notes.IsChanged, "text marks the collection changed"

flag = False
notes.SetOnTop flag
Check a.OnTop = False And b.OnTop = False, "SetOnTop with a variable"
notes.SetOnTop
Check a.OnTop = True, "SetOnTop without an argument"

id = 1
result = notes.DeleteNote(id)
Check result = 0, "DeleteNote returns 0"
Check id = 1, "the ID variable is unchanged"
Check notes.Notes.Count = 1, "one note left"
For Each n In notes.Notes
    Check n.NoteID = 1, "For Each sees the renumbered note"
Next

On Error Resume Next
Set n = notes.Notes.Item(7)
Check Err.Number <> 0, "Item out of range fails"
Check Err.Description = "There is no note 7 among 1 notes", "Item's description: " & Err.Description
Err.Clear
On Error GoTo 0

If failures > 0 Then WScript.Quit 1
WScript.Echo "vbscript ok"
