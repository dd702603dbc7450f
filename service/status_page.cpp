#include "status_page.h"

namespace icbus::service {

const std::string& StatusPage() {
  static const std::string page = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>icbusd</title>
<style>
body { font: 15px/1.4 sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.4em; margin: 0 0 .2em; }
h2 { font-size: 1.1em; margin: 1.4em 0 .4em; }
table { border-collapse: collapse; min-width: 60em; }
th, td { text-align: left; padding: .3em .8em; border-bottom: 1px solid #ddd; }
th { background: #f3f3f3; }
.complete { color: #17692c; } .failed, .interrupted { color: #b00020; font-weight: bold; }
.note { color: #666; }
</style>
</head>
<body>
<h1>icbusd</h1>
<div class="note" id="updated">loading&hellip;</div>
<div id="buses"></div>
<script>
function cell(row, text, cls) {
  var td = document.createElement('td');
  td.textContent = text;
  if (cls) td.className = cls;
  row.appendChild(td);
}
function local(utc) { return utc ? new Date(utc).toLocaleString() : '-'; }
function show(status) {
  var root = document.getElementById('buses');
  root.textContent = '';
  status.buses.forEach(function (bus) {
    var h = document.createElement('h2');
    h.textContent = 'Bus ' + bus.name + (bus.running ? '' : ' (stopped)') +
        ', busy ' + bus.busy_seconds.toFixed(1) + ' s';
    root.appendChild(h);
    var table = document.createElement('table');
    var head = table.insertRow();
    ['Terminal', 'Kind', 'Last collection', 'Outcome', 'Records today', 'Failures', 'Next run', 'Last error']
        .forEach(function (t) { var th = document.createElement('th'); th.textContent = t; head.appendChild(th); });
    bus.terminals.forEach(function (t) {
      var last = t.downloads.filter(function (d) { return d.outcome; })
          .sort(function (a, b) { return a.started_at < b.started_at ? 1 : -1; })[0] || {};
      var row = table.insertRow();
      cell(row, t.machine);
      cell(row, t.kind);
      cell(row, local(last.ended_at || last.started_at));
      cell(row, last.outcome || 'not yet', last.outcome);
      cell(row, t.records_today);
      cell(row, t.failures, t.failures ? 'failed' : '');
      cell(row, local(t.next_run));
      cell(row, t.last_error || '');
    });
    root.appendChild(table);
  });
  document.getElementById('updated').textContent = 'Updated ' + local(status.now);
}
function refresh() {
  fetch('/api/status').then(function (r) { return r.json(); }).then(show)
      .catch(function () { document.getElementById('updated').textContent = 'icbusd does not answer'; });
}
refresh();
setInterval(refresh, 5000);
</script>
</body>
</html>
)html";
  return page;
}

}  // namespace icbus::service
