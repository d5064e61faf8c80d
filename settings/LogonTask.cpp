// The logon task through the Task Scheduler 2.0 interfaces.
#include "settings/LogonTask.h"

#include <oleauto.h>
#include <taskschd.h>

#include "settings/ScheduledTaskSupport.h"

namespace {
std::wstring escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
            case L'&': out += L"&amp;"; break;
            case L'<': out += L"&lt;"; break;
            case L'>': out += L"&gt;"; break;
            case L'"': out += L"&quot;"; break;
            case L'\'': out += L"&apos;"; break;
            default: out += c;
        }
    }
    return out;
}

// Owner of a BSTR.
class Bstr {
public:
    explicit Bstr(const std::wstring& text = std::wstring())
        : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return s_; }
    BSTR* put() {
        SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    std::wstring text() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

private:
    BSTR s_;
};

// Connects to the local Task Scheduler and opens its root folder.
HRESULT openRoot(TaskComPtr<ITaskFolder>& root) {
    TaskComPtr<ITaskService> service;
    HRESULT hr = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                  service.putVoid());
    if (FAILED(hr)) return hr;
    VARIANT none;
    VariantInit(&none);
    hr = service->Connect(none, none, none, none);
    if (FAILED(hr)) return hr;
    Bstr path(L"\\");
    return service->GetFolder(path.get(), root.put());
}

bool notFound(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}
}  // namespace

std::wstring LogonTaskXml(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder) {
    std::wstring xml =
        L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        L"  <RegistrationInfo>\r\n"
        L"    <Description>Starts Zenthar in the notification area when a user logs on.</Description>\r\n"
        L"  </RegistrationInfo>\r\n"
        L"  <Triggers>\r\n"
        L"    <LogonTrigger>\r\n"
        L"      <Enabled>true</Enabled>\r\n"
        L"    </LogonTrigger>\r\n"
        L"  </Triggers>\r\n"
        L"  <Principals>\r\n"
        L"    <Principal id=\"Author\">\r\n"
        L"      <GroupId>S-1-5-32-545</GroupId>\r\n"
        L"      <RunLevel>HighestAvailable</RunLevel>\r\n"
        L"    </Principal>\r\n"
        L"  </Principals>\r\n"
        L"  <Settings>\r\n"
        L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
        L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
        L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
        L"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
        L"    <Enabled>true</Enabled>\r\n"
        L"  </Settings>\r\n"
        L"  <Actions Context=\"Author\">\r\n"
        L"    <Exec>\r\n"
        L"      <Command>" + escaped(program) + L"</Command>\r\n";
    if (!arguments.empty()) xml += L"      <Arguments>" + escaped(arguments) + L"</Arguments>\r\n";
    if (!folder.empty()) xml += L"      <WorkingDirectory>" + escaped(folder) + L"</WorkingDirectory>\r\n";
    xml +=
        L"    </Exec>\r\n"
        L"  </Actions>\r\n"
        L"</Task>\r\n";
    return xml;
}

bool LogonTaskXmlIsComplete(const std::wstring& stored, const std::wstring& program, const std::wstring& arguments) {
    const auto holds = [&](const std::wstring& part) { return stored.find(part) != std::wstring::npos; };
    return holds(L"<LogonTrigger") && holds(L"<RunLevel>HighestAvailable</RunLevel>") &&
           holds(L"<Command>" + escaped(program) + L"</Command>") &&
           (arguments.empty() || holds(L"<Arguments>" + escaped(arguments) + L"</Arguments>"));
}

HRESULT RegisterLogonTask(const std::wstring& name, const std::wstring& xml, std::wstring& stored) {
    TaskComApartment com;
    if (!com.usable()) return com.result();
    TaskComPtr<ITaskFolder> root;
    HRESULT hr = openRoot(root);
    if (FAILED(hr)) return hr;
    VARIANT none;
    VariantInit(&none);
    Bstr path(name), text(xml);
    TaskComPtr<IRegisteredTask> task;
    hr = root->RegisterTask(path.get(), text.get(), TASK_CREATE_OR_UPDATE, none, none, TASK_LOGON_GROUP, none,
                            task.put());
    if (FAILED(hr)) return hr;
    if (!task) return E_POINTER;
    Bstr readBack;
    hr = task->get_Xml(readBack.put());
    if (SUCCEEDED(hr)) stored = readBack.text();
    return hr;
}

HRESULT DeleteLogonTask(const std::wstring& name) {
    TaskComApartment com;
    if (!com.usable()) return com.result();
    TaskComPtr<ITaskFolder> root;
    HRESULT hr = openRoot(root);
    if (FAILED(hr)) return hr;
    Bstr path(name);
    hr = root->DeleteTask(path.get(), 0);
    return notFound(hr) ? S_FALSE : hr;
}

HRESULT FindLogonTask(const std::wstring& name) {
    TaskComApartment com;
    if (!com.usable()) return com.result();
    TaskComPtr<ITaskFolder> root;
    HRESULT hr = openRoot(root);
    if (FAILED(hr)) return hr;
    Bstr path(name);
    TaskComPtr<IRegisteredTask> task;
    hr = root->GetTask(path.get(), task.put());
    if (notFound(hr)) return S_FALSE;
    return hr;
}
