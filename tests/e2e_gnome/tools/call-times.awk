# call-times.awk MONITOR-LOG: from a dbus-monitor log of a drawing (calls and
# their returns), what scrivdraw's calls cost: for each kind, how many, and the
# mean and 90th percentile of the time from the call to its answer as the bus
# saw them; and the whole span of the pointer calls. Printed, never judged.
function field(name,   i) {
  for (i = 1; i <= NF; i++)
    if (index($i, name "=") == 1)
      return substr($i, length(name) + 2)
  return ""
}
/^method call / {
  member = field("member"); sub(/;$/, "", member)
  dest = field("destination")
  kind = member
  if (member == "Get") kind = "Get(" dest ")"
  key = field("sender") " " field("serial")
  asked[key] = field("time"); kindOf[key] = kind
  if (member ~ /^NotifyPointer/) {
    if (first == "") first = field("time")
    last = field("time")
    pointerCalls++
  }
  next
}
/^method return / || /^error / {
  key = field("destination") " " field("reply_serial")
  if (key in asked) {
    k = kindOf[key]
    ms = (field("time") - asked[key]) * 1000
    n[k]++; sum[k] += ms; all[k, n[k]] = ms
    delete asked[key]
  }
}
END {
  for (k in n) {
    m = n[k]
    # insertion sort is fine for a measuring run's few thousand answers
    for (i = 2; i <= m; i++) { v = all[k, i]; for (j = i - 1; j >= 1 && all[k, j] > v; j--) all[k, j + 1] = all[k, j]; all[k, j + 1] = v }
    p90 = int(m * 0.9)
    if (p90 < 1) p90 = 1
    printf "%-40s %7d calls, answered after %.3f ms on average, 90%% within %.3f ms\n", k, m, sum[k] / m, all[k, p90]
  }
  if (pointerCalls > 1)
    printf "pointer calls: %d over %.3f s, one every %.3f ms\n", pointerCalls, last - first, (last - first) * 1000 / (pointerCalls - 1)
}
