#include "platform/Clock.h"

#include <windows.h>

namespace pallograph {

TLocalTime LocalTimeNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return TLocalTime{st.wYear,   st.wMonth,  st.wDay,         st.wHour,
                    st.wMinute, st.wSecond, st.wMilliseconds};
}

}  // namespace pallograph
