// "Start with Windows" as a logon task of the Task Scheduler 2.0: the window program needs
// administrator rights, and the system does not start such a program from the Run key at logon,
// but a task with the highest run level it does.
#pragma once
#include <windows.h>

#include <string>

// The task that starts the program when a user logs on.
constexpr const wchar_t LOGON_TASK_NAME[] = L"Zenthar at logon";

// The task's definition in the Task Scheduler's XML: a logon trigger for every user of the group
// Users, run with the highest rights the user has, starting `program` with `arguments` in
// `folder`. Text is escaped for XML.
std::wstring LogonTaskXml(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder);

// True when `stored`, the definition the Task Scheduler keeps for the task, still holds what
// LogonTaskXml asked for: the logon trigger, the highest run level and the program with its
// arguments. A scheduler that stores only part of a definition would register a task that starts
// nothing, or starts it without the rights.
bool LogonTaskXmlIsComplete(const std::wstring& stored, const std::wstring& program, const std::wstring& arguments);

// Registers (or replaces) the task `name` in the root folder from `xml` and hands back the
// definition the scheduler stored. Initialises COM itself. REGDB_E_CLASSNOTREG and the like when
// the system has no Task Scheduler 2.0.
HRESULT RegisterLogonTask(const std::wstring& name, const std::wstring& xml, std::wstring& stored);
// Deletes the task `name`; S_FALSE when there was none.
HRESULT DeleteLogonTask(const std::wstring& name);
// S_OK when the task `name` is registered, S_FALSE when not, an error when the scheduler cannot say.
HRESULT FindLogonTask(const std::wstring& name);
